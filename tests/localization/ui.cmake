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
# Every window in every shipped language: no caption clipped, every designed text translated;
# once at 96 dpi and once at a scale factor of 2.
ocellus_test(tst_captionsfit GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_captionsfit.cpp ${CMAKE_CURRENT_LIST_DIR}/LanguageTestSupport.h
    LINKS ocellus_monitor_ui)
add_test(NAME tst_captionsfit_scale2 COMMAND tst_captionsfit)
get_test_property(tst_captionsfit ENVIRONMENT _captionsfit_env)
string(REPLACE "test-scratch/tst_captionsfit/" "test-scratch/tst_captionsfit_scale2/" _captionsfit_env "${_captionsfit_env}")
set_tests_properties(tst_captionsfit_scale2 PROPERTIES ENVIRONMENT "${_captionsfit_env};QT_SCALE_FACTOR=2" TIMEOUT 300)
# The first start in a German session: the offered language and Qt's own texts.
ocellus_test(tst_firststartlanguage GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_firststartlanguage.cpp ${CMAKE_CURRENT_LIST_DIR}/LanguageTestSupport.h
    LINKS ocellus_monitor_ui)
