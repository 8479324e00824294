# Writes a C++ source file that holds the bytes of one file as an array, so that a program
# carries the file's content without reading it at run time:
#   cmake -DINPUT=file -DOUTPUT=file.cpp -DHEADER=name.h -DNAMESPACE=ns -DNAME=kBytes -P embed_bytes.cmake
# The array is NAME, its length NAME##Size, both declared in HEADER.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "((0x..,){16})" "\\1\n    " bytes "${bytes}")
get_filename_component(source_name "${INPUT}" NAME)
file(WRITE "${OUTPUT}.new"
    "// Written by cmake/embed_bytes.cmake from ${source_name}; rebuilt when the file changes.\n"
    "#include \"${HEADER}\"\n\n"
    "namespace ${NAMESPACE} {\n\n"
    "const uint8_t ${NAME}[] = {\n    ${bytes}\n};\n"
    "const size_t ${NAME}Size = ${size};\n\n"
    "}  // namespace ${NAMESPACE}\n")
# Only a changed content touches the output, so that an unchanged song relinks nothing.
file(COPY_FILE "${OUTPUT}.new" "${OUTPUT}" ONLY_IF_DIFFERENT)
file(REMOVE "${OUTPUT}.new")
