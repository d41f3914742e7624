# The JPEG header walk on arbitrary bytes, against libjpeg's reading of the same header.
ocellus_fuzzer(jpeg_headers SOURCES ${CMAKE_CURRENT_LIST_DIR}/jpeg_headers.cpp LINKS ocellus_imaging)
