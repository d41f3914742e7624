# The camera list reader and its rewrites: names, lookups, removal, one-rewrite edit.
ocellus_fuzzer(camlist SOURCES ${CMAKE_CURRENT_LIST_DIR}/camlist.cpp LINKS ocellus_camlist)
