# What a fetch needs beyond the plain GET: response header fields, WWW-Authenticate
# challenges and Digest answers, redirects, the outcome texts, and a real Digest exchange
# with Apache httpd.
set(_dir ${CMAKE_CURRENT_LIST_DIR})
ocellus_test(tst_responseheader SOURCES ${_dir}/tst_responseheader.cpp LINKS ocellus_monitor)
ocellus_test(tst_digestauth SOURCES ${_dir}/tst_digestauth.cpp LINKS ocellus_monitor)
ocellus_test(tst_redirect SOURCES ${_dir}/tst_redirect.cpp LINKS ocellus_monitor)
ocellus_test(tst_fetchoutcome SOURCES ${_dir}/tst_fetchoutcome.cpp LINKS ocellus_monitor ocellus_localization)
ocellus_test(tst_digest_apache SOURCES ${_dir}/tst_digest_apache.cpp ${_dir}/EngineFixture.h LINKS ocellus_monitor TIMEOUT 120)
ocellus_test(tst_engine_outcomes SOURCES ${_dir}/tst_engine_outcomes.cpp ${_dir}/EngineFixture.h LINKS ocellus_monitor ocellus_localization Qt6::Network TIMEOUT 180)
