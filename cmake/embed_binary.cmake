# Writes a C++ source that holds a binary file's bytes as an array.
# Usage: cmake -DINPUT=file.bin -DOUTPUT=file.cpp -DSYMBOL=kName -P embed_binary.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes
       "${bytes}")
file(WRITE ${OUTPUT} "#include \"disk/boot_code.h\"\n\nconst uint8_t ${SYMBOL}[${size}] = {\n${bytes}\n};\nconst size_t ${SYMBOL}Size = ${size};\n")
