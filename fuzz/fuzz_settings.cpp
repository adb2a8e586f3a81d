// The settings reader over the bytes of a file of any content, and the product entries read from it:
// whatever the file holds, the reader ends with a defined document and the walk finds
// only elements of the names asked for.
#include "bootstrap_helper/OvProductEntry.h"
#include "setup_lib/OvXmlDocument.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace
{
// The tree is acyclic and each child knows its parent (walked without recursion, as
// deep as the file nests).
void Walk(OvSetupLib::OvXmlElement* root)
{
    std::vector<OvSetupLib::OvXmlElement*> pending{root};
    std::size_t seen = 0;
    while (!pending.empty()) {
        OvSetupLib::OvXmlElement* element = pending.back();
        pending.pop_back();
        if (++seen > 100000000) std::abort();
        for (const auto& child : element->GetChildren()) {
            if (child->GetParent() != element) std::abort();
            pending.push_back(child.get());
        }
    }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The bytes go to the reader as they would come from the file: no file is written, so
    // that the harness runs at the reader's own speed.
    OvSetupLib::OvXmlDocument document(std::string(reinterpret_cast<const char*>(data), size));
    OvSetupLib::OvXmlElement* root = document.GetRoot();
    if (root != nullptr) {
        Walk(root);
        for (const wchar_t* name : {L"product", L"msi", L"path"}) {
            for (OvSetupLib::OvXmlElement* found : root->FindElements(name)) {
                if (found->GetName().CompareIgnoreCase(name) != 0) std::abort();
                found->GetAttribute(L"value");
                found->GetAttribute(L"upgradecode");
                found->GetText(L"name");
            }
        }
    }
    const auto entries = OvBootstrapHelper::ReadProductEntries(document);
    // A document that did not load gives no entries.
    if (!document.IsLoaded() && !entries.empty()) std::abort();
    for (const auto& entry : entries)
        for (const auto& code : entry.upgradeCodes)
            if (code.find(L';') != OvSetupLib::OvMsiString::npos) std::abort();
    return 0;
}
