# The main window against misbehaving servers (each in a thread of its own): broken
# connections, lying or malformed framing, silent and dripping servers, floods,
# unreachable hosts on every slot, and broken or unusual pictures. Each case prints the
# largest event-loop gap it saw ("loop-gap case=... max_ms=..."), read by
# bench/hostile_gaps.py.
ocellus_test(tst_form1_hostile_http GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_form1_hostile_http.cpp ${CMAKE_CURRENT_LIST_DIR}/tst_form1_hostile.h
        ${CMAKE_CURRENT_LIST_DIR}/Form1Fixture.h
    LINKS ocellus_monitor_ui)
ocellus_test(tst_form1_hostile_pictures GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_form1_hostile_pictures.cpp ${CMAKE_CURRENT_LIST_DIR}/tst_form1_hostile.h
        ${CMAKE_CURRENT_LIST_DIR}/Form1Fixture.h ${CMAKE_CURRENT_LIST_DIR}/../imaging/ImagingFixtures.cpp
        ${CMAKE_CURRENT_LIST_DIR}/../imaging/ImagingFixtures.h
    LINKS ocellus_monitor_ui ocellus_imaging)
target_include_directories(tst_form1_hostile_pictures PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../imaging)
