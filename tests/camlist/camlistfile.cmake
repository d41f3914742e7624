# The camera list file and the one-rewrite edit, on real files in a temporary folder.
ocellus_test(tst_camlistfile
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_camlistfile.cpp
    LINKS ocellus_camlist)
ocellus_test(tst_camlistfile_edit
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_camlistfile_edit.cpp
    LINKS ocellus_camlist)
