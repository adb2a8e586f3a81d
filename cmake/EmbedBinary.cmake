# Turns a binary file into a C++ source holding its bytes (ovEmbeddedRes, ovEmbeddedResSize).
file(READ ${IN} hex HEX)
string(LENGTH "${hex}" hexlen)
math(EXPR size "${hexlen} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUT} "#include <cstddef>\nextern \"C\" const unsigned char ovEmbeddedRes[] = {\n${bytes}0};\nextern \"C\" const std::size_t ovEmbeddedResSize = ${size};\n")
