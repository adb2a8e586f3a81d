#include "bootstrap_helper/OvConditionEntity.h"
