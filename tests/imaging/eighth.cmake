# The fast 1/8-scale JPEG decoder, checked against TurboJPEG, and the other picture shortcuts.
ocellus_test(tst_jpegeighthdecoder
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_JpegEighthDecoder.cpp ${CMAKE_CURRENT_LIST_DIR}/ImagingFixtures.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ImagingFixtures.h
    LINKS ocellus_imaging)
# The shortcuts of autosave and the viewer against the plain paths.
ocellus_test(tst_picturefastpaths
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PictureFastPaths.cpp ${CMAKE_CURRENT_LIST_DIR}/ImagingFixtures.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ImagingFixtures.h
    LINKS ocellus_imaging)
