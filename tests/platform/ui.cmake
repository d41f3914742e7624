# Window-toolkit helpers: redraw lock, icons, always-on-top, shell open, permission dialog.
ocellus_test(tst_redrawlock GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_redrawlock.cpp
    LINKS ocellus_platform_ui)
ocellus_test(tst_windowutils GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_windowutils.cpp
    LINKS ocellus_platform_ui)
ocellus_test(tst_permission GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_permission.cpp
    LINKS ocellus_platform_ui)
# Paint savers of the main window: deferred progress-bar paints, the cached group box, the
# status panel and the hidden text boxes.
ocellus_test(tst_paintsavers GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_paintsavers.cpp
    LINKS ocellus_platform_ui)
# Captions fitted to their controls: smaller font, two lines, the whole caption as tooltip.
ocellus_test(tst_captionfit GUI
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_captionfit.cpp
    LINKS ocellus_platform_ui)
