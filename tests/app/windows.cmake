# The help window, the About window and the website launcher.
ocellus_test(tst_helpwindow
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_helpwindow.cpp
    LINKS ocellus_app_ui Qt6::Widgets
    GUI)
# With the main window, which holds the About window and the launcher.
ocellus_test(tst_aboutwebsite
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_aboutwebsite.cpp
    LINKS ocellus_monitor_ui Qt6::Widgets
    GUI)
