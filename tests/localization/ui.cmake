# Re-captioning of windows and the language window with its update download, on the
# offscreen platform.
# The mechanism on a small test window with one control of each kind.
ocellus_test(tst_changelanguage GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_changelanguage.cpp ${CMAKE_CURRENT_LIST_DIR}/LanguageTestSupport.h
    LINKS ocellus_localization_ui)
# The real main window and language window with the shipped localization file.
ocellus_test(tst_recaptionwindows GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_recaptionwindows.cpp ${CMAKE_CURRENT_LIST_DIR}/LanguageTestSupport.h
    LINKS ocellus_monitor_ui)
# The language window: its list, a choice from the menu and at the first start.
ocellus_test(tst_languagewindow GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_languagewindow.cpp ${CMAKE_CURRENT_LIST_DIR}/LanguageTestSupport.h
    LINKS ocellus_monitor_ui)
# The update download against python3's http.server on loopback.
ocellus_test(tst_languagedownload GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_languagedownload.cpp ${CMAKE_CURRENT_LIST_DIR}/LanguageTestSupport.h
    LINKS ocellus_localization_ui)
# The first start in a German session: the offered language and Qt's own texts.
ocellus_test(tst_firststartlanguage GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_firststartlanguage.cpp ${CMAKE_CURRENT_LIST_DIR}/LanguageTestSupport.h
    LINKS ocellus_monitor_ui)
