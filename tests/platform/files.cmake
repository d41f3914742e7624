# Whole-file writes (AtomicFile) and the application folder, on real files, permissions and
# symbolic links.
ocellus_test(tst_atomicfile
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_atomicfile.cpp
    LINKS ocellus_platform)
ocellus_test(tst_appfolder
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_appfolder.cpp
    LINKS ocellus_platform)
ocellus_test(tst_shippedfiles
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_shippedfiles.cpp
    LINKS ocellus_platform)
