# The main window over its cameras: what the slots show, the camera list commands, writes
# that meet a full disk, the benchmark log's paint events.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
ocellus_test(tst_mainwindow GUI SOURCES ${_dir}/tst_mainwindow.cpp ${_dir}/WindowFixture.h LINKS ocellus_monitor_ui)
ocellus_test(tst_mainwindow_cameras GUI
    SOURCES ${_dir}/tst_mainwindow_cameras.cpp ${_dir}/WindowFixture.h LINKS ocellus_monitor_ui)
ocellus_test(tst_mainwindow_diskfaults GUI
    SOURCES ${_dir}/tst_mainwindow_diskfaults.cpp ${_dir}/WindowFixture.h LINKS ocellus_monitor_ui)
ocellus_test(tst_benchmarklog GUI SOURCES ${_dir}/tst_benchmarklog.cpp LINKS ocellus_monitor_ui)
ocellus_test(tst_mainwindow_keyboard GUI
    SOURCES ${_dir}/tst_mainwindow_keyboard.cpp ${_dir}/WindowFixture.h LINKS ocellus_monitor_ui)
