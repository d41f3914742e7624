# SPDX-License-Identifier: GPL-3.0-or-later
# Where the shipped documents are read from and how the application folder's copies are
# kept current.
ocellus_test(tst_shippeddocuments
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_shippeddocuments.cpp
    LINKS ocellus_app_core)
