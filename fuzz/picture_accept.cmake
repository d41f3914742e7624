# Picture::fromBytes and the decodes of an accepted picture, on arbitrary bytes.
ocellus_fuzzer(picture_accept SOURCES ${CMAKE_CURRENT_LIST_DIR}/picture_accept.cpp LINKS ocellus_imaging)
