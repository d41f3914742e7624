# Widget-free logic of the camera monitor: address, request, response accumulation,
# picture acceptance, the refresh numbers, the window's layout arithmetic, and the camera
# engines without a window.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
ocellus_test(tst_fetchaddress SOURCES ${_dir}/tst_fetchaddress.cpp LINKS ocellus_monitor)
ocellus_test(tst_fetcharrival SOURCES ${_dir}/tst_fetcharrival.cpp LINKS ocellus_monitor)
ocellus_test(tst_responsesplit SOURCES ${_dir}/tst_responsesplit.cpp LINKS ocellus_monitor)
ocellus_test(tst_acceptance SOURCES ${_dir}/tst_acceptance.cpp LINKS ocellus_monitor)
ocellus_test(tst_numbers SOURCES ${_dir}/tst_numbers.cpp LINKS ocellus_monitor)
ocellus_test(tst_mainwindowlayout SOURCES ${_dir}/tst_mainwindowlayout.cpp LINKS ocellus_monitor)
ocellus_test(tst_cameraengine SOURCES ${_dir}/tst_cameraengine.cpp ${_dir}/EngineFixture.h LINKS ocellus_monitor)
ocellus_test(tst_cameramonitor SOURCES ${_dir}/tst_cameramonitor.cpp LINKS ocellus_monitor)
# A camera over the wire: https with a test authority, ports, chunked bodies in pieces.
ocellus_test(tst_engine_wire SOURCES ${_dir}/tst_engine_wire.cpp ${_dir}/EngineFixture.h
    LINKS ocellus_monitor Qt6::Network)
# Autosave against python's http.server on loopback.
ocellus_test(tst_engine_realserver
    SOURCES ${_dir}/tst_engine_realserver.cpp ${_dir}/EngineFixture.h
        ${_dir}/../imaging/ImagingFixtures.cpp ${_dir}/../imaging/ImagingFixtures.h
    LINKS ocellus_monitor ocellus_imaging)
target_include_directories(tst_engine_realserver PRIVATE ${_dir}/../imaging)
