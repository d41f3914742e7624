# The benchmark log written for bench/run.py, and the paint signal it uses.
ocellus_test(tst_benchmarklog GUI SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_benchmarklog.cpp LINKS ocellus_monitor_ui)
