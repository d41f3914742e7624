# The camera dialog in its add and edit modes, driven through Qt Test on the offscreen platform.
ocellus_test(tst_cameradialog
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_cameradialog.cpp
    LINKS ocellus_camlist_ui Qt6::Widgets
    GUI)
