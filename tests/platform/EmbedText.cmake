# Turns a text file into a C++ source holding it, terminated: ovSetupRcText.
file(READ ${IN} hex HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT} "extern const char ovSetupRcText[];\nconst char ovSetupRcText[] = {\n${bytes}0};\n")
