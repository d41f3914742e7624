# Widget-free logic of the camera monitor: address, request, response accumulation,
# picture acceptance and the refresh numbers.
ocellus_test(tst_fetchaddress SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_fetchaddress.cpp LINKS ocellus_monitor)
ocellus_test(tst_fetcharrival SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_fetcharrival.cpp LINKS ocellus_monitor)
ocellus_test(tst_responsesplit SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_responsesplit.cpp LINKS ocellus_monitor)
ocellus_test(tst_acceptance SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_acceptance.cpp LINKS ocellus_monitor)
ocellus_test(tst_numbers SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_numbers.cpp LINKS ocellus_monitor)
