# The help document reader: control words, code pages, malformed input, documents
# written by real word processors (tests/data/rtf) and the shipped resources/Help.rtf.
ocellus_test(tst_rtfreader
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_rtfreader.cpp
    LINKS ocellus_app_core)
