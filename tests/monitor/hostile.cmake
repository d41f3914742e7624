# The main window against misbehaving servers (each in a thread of its own): broken
# connections, lying or malformed framing, silent and dripping servers, floods,
# unreachable hosts on every slot, and broken or unusual pictures. Each case prints the
# largest event-loop gap it saw ("loop-gap case=... max_ms=..."), read by
# bench/hostile_gaps.py.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
ocellus_test(tst_hostile_http GUI
    SOURCES ${_dir}/tst_hostile_http.cpp ${_dir}/HostileRig.h ${_dir}/WindowFixture.h
    LINKS ocellus_monitor_ui)
ocellus_test(tst_hostile_pictures GUI
    SOURCES ${_dir}/tst_hostile_pictures.cpp ${_dir}/HostileRig.h ${_dir}/WindowFixture.h
        ${_dir}/../imaging/ImagingFixtures.cpp ${_dir}/../imaging/ImagingFixtures.h
    LINKS ocellus_monitor_ui ocellus_imaging)
target_include_directories(tst_hostile_pictures PRIVATE ${_dir}/../imaging)
