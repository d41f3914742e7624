# The help document reader on arbitrary bytes, with and without an RTF header.
ocellus_fuzzer(rtf SOURCES ${CMAKE_CURRENT_LIST_DIR}/rtf.cpp LINKS ocellus_app_core)
