# Localization logic (no widgets): the file reader, caption and message lookups, the
# message table, and the localization file that ships with the program.
ocellus_test(tst_languages
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_languages.cpp
    LINKS ocellus_localization)
ocellus_test(tst_localizationfile
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_localizationfile.cpp
    LINKS ocellus_localization)
# The session's language at the first start, and Qt's own texts in the chosen language.
ocellus_test(tst_sessionlanguage
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_sessionlanguage.cpp
    LINKS ocellus_localization)
ocellus_test(tst_qttranslations
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_qttranslations.cpp
    LINKS ocellus_localization)
