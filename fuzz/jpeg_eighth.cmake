# The fast 1/8-scale JPEG decoder against TurboJPEG, on arbitrary bytes.
ocellus_fuzzer(jpeg_eighth SOURCES ${CMAKE_CURRENT_LIST_DIR}/jpeg_eighth.cpp LINKS ocellus_imaging)
