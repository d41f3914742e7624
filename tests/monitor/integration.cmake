# The main window against real servers on loopback: python's http.server with autosave,
# a TLS server with a test authority, ports, chunked bodies and credentials in addresses.
ocellus_test(tst_form1_realserver GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_form1_realserver.cpp ${CMAKE_CURRENT_LIST_DIR}/Form1Fixture.h
        ${CMAKE_CURRENT_LIST_DIR}/../imaging/ImagingFixtures.cpp ${CMAKE_CURRENT_LIST_DIR}/../imaging/ImagingFixtures.h
    LINKS ocellus_monitor_ui ocellus_imaging)
target_include_directories(tst_form1_realserver PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../imaging)
ocellus_test(tst_form1_tls GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_form1_tls.cpp ${CMAKE_CURRENT_LIST_DIR}/Form1Fixture.h
    LINKS ocellus_monitor_ui Qt6::Network)
