# The history window and the saved-pictures window, driven with Qt Test on real files.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
ocellus_test(tst_historywindow GUI
    SOURCES ${_dir}/tst_historywindow.cpp ${_dir}/SavedPictureFixtures.h
        ${_dir}/../imaging/ImagingFixtures.cpp ${_dir}/../imaging/ImagingFixtures.h
    LINKS ocellus_history_ui ocellus_imaging PkgConfig::TURBOJPEG)
target_include_directories(tst_historywindow PRIVATE ${_dir}/../imaging)
ocellus_test(tst_savedpictureswindow GUI
    SOURCES ${_dir}/tst_savedpictureswindow.cpp ${_dir}/SavedPictureFixtures.h LINKS ocellus_history_ui)
