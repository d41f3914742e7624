# Saved pictures without windows: their names read back, the index of a camera's pictures
# (100,000 of them), pruning at the limits' edges, the free-space floor and the keeper.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
ocellus_test(tst_savedpicturename SOURCES ${_dir}/tst_savedpicturename.cpp LINKS ocellus_history)
ocellus_test(tst_savedpictureindex SOURCES ${_dir}/tst_savedpictureindex.cpp ${_dir}/SavedPictureFixtures.h
    LINKS ocellus_history)
ocellus_test(tst_retentionpruner SOURCES ${_dir}/tst_retentionpruner.cpp ${_dir}/SavedPictureFixtures.h
    LINKS ocellus_history)
ocellus_test(tst_picturekeeper SOURCES ${_dir}/tst_picturekeeper.cpp ${_dir}/SavedPictureFixtures.h
    LINKS ocellus_history)
