# Copies and time-lapse videos of saved pictures, and the export dialog.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
set(_fixtures ${_dir}/ExportFixtures.cpp ${_dir}/ExportFixtures.h
    ${_dir}/../../imaging/ImagingFixtures.cpp ${_dir}/../../imaging/ImagingFixtures.h)
ocellus_test(tst_pictureexport SOURCES ${_dir}/tst_pictureexport.cpp ${_fixtures} LINKS ocellus_history_export)
ocellus_test(tst_timelapseencoder SOURCES ${_dir}/tst_timelapseencoder.cpp ${_fixtures} LINKS ocellus_history_export)
ocellus_test(tst_exportdialog SOURCES ${_dir}/tst_exportdialog.cpp ${_fixtures}
    LINKS ocellus_history_export_ui ocellus_localization GUI)
