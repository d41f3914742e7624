# The help window, the About window and the website launcher.
ocellus_test(tst_form8
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_form8.cpp
    LINKS ocellus_app_ui Qt6::Widgets
    GUI)
ocellus_test(tst_aboutwebsite
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_aboutwebsite.cpp
    LINKS ocellus_app_ui Qt6::Widgets
    GUI)
