# The memory bitmap, the JPEG writer and picture decoding.
set(_imaging_fixtures ${CMAKE_CURRENT_LIST_DIR}/ImagingFixtures.cpp ${CMAKE_CURRENT_LIST_DIR}/ImagingFixtures.h)
ocellus_test(tst_bottomupbitmap SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_bottomupbitmap.cpp ${_imaging_fixtures}
    LINKS ocellus_imaging)
ocellus_test(tst_jpegwriter SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_JpegWriter.cpp ${_imaging_fixtures}
    LINKS ocellus_imaging)
ocellus_test(tst_picture SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_Picture.cpp ${_imaging_fixtures}
    LINKS ocellus_imaging)
ocellus_test(tst_imagebufferpool SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_ImageBufferPool.cpp
    LINKS ocellus_imaging)
# Decoding part of a picture against decoding it whole.
ocellus_test(tst_jpegregiondecoder
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_JpegRegionDecoder.cpp ${_imaging_fixtures}
    LINKS ocellus_imaging)
# Shrinking by block means while a picture is decoded, against the plain mean.
ocellus_test(tst_blockaverage SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_BlockAverage.cpp LINKS ocellus_imaging)
# The slots' smooth shrinking against Qt's.
ocellus_test(tst_smoothscale SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_SmoothScale.cpp LINKS ocellus_imaging)
# The shortcuts of autosave and the viewer against the plain paths.
ocellus_test(tst_picturefastpaths SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PictureFastPaths.cpp ${_imaging_fixtures}
    LINKS ocellus_imaging)
# The marker walk that bounds a JPEG before any decoding.
ocellus_test(tst_jpegheaderwalk SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_JpegHeaderWalk.cpp ${_imaging_fixtures}
    LINKS ocellus_imaging)
# Scan, side and memory bounds, the decode budget, libjpeg-turbo's pixels and CMYK colours.
ocellus_test(tst_picturebounds SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PictureBounds.cpp ${_imaging_fixtures}
    LINKS ocellus_imaging)
# Decoding and saving on worker threads.
ocellus_test(tst_picturedecodequeue SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_PictureDecodeQueue.cpp ${_imaging_fixtures}
    LINKS ocellus_imaging)
