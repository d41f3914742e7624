# The main window's part: the keeper started with the window, autosave paused at the floor,
# the File menu's "Saved Pictures…" and the history from a slot and from the viewer.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
ocellus_test(tst_mainwindow_history GUI
    SOURCES ${_dir}/tst_mainwindow_history.cpp ${_dir}/../monitor/WindowFixture.h LINKS ocellus_monitor_ui)
target_include_directories(tst_mainwindow_history PRIVATE ${_dir}/../monitor)
