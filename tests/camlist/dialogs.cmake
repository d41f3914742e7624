# The add and edit camera dialogs, driven through Qt Test on the offscreen platform.
ocellus_test(tst_form2
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_form2.cpp ${CMAKE_CURRENT_LIST_DIR}/DialogTestSupport.h
    LINKS ocellus_camlist_ui Qt6::Widgets
    GUI)
ocellus_test(tst_form3
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_form3.cpp ${CMAKE_CURRENT_LIST_DIR}/DialogTestSupport.h
    LINKS ocellus_camlist_ui Qt6::Widgets
    GUI)
