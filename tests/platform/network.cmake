# Slot socket and language-file download, against servers on the loopback interface.
ocellus_test(tst_slotsocket
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_slotsocket.cpp
    LINKS ocellus_platform Qt6::Network)
ocellus_test(tst_downloader
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_downloader.cpp
    LINKS ocellus_platform Qt6::Network)
# How a slot socket's connection ends otherwise: refused, unknown host, timeouts, TLS
# handshake and certificate failures, pinned certificates.
ocellus_test(tst_slotsocket_failures
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_slotsocket_failures.cpp
    LINKS ocellus_platform Qt6::Network)
# The certificate pin store: its file, damaged lines, rewrites and permissions.
ocellus_test(tst_certificatepins
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_certificatepins.cpp
    LINKS ocellus_platform Qt6::Network)
