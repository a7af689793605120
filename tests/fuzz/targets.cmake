# The fuzz targets: pure readers of text that reaches the module from other
# computers or from files, built natively under AddressSanitizer and
# UndefinedBehaviorSanitizer (tests/fuzz/CMakeLists.txt) and run for a bounded
# time by the test command (tests/CMakeLists.txt).
#
#   vantrel_fuzz_target(<name> HARNESS <file in tests/fuzz> SOURCES <files in the tree>...)
#
# The harness defines LLVMFuzzerTestOneInput; its seed corpus is
# tests/fuzz/corpus/<name>/. SOURCES must build natively: no Windows headers,
# and no reliance on the width of wchar_t (it is 4 bytes here).
vantrel_fuzz_target(recovery-command HARNESS RecoveryCommandFuzz.cpp SOURCES services/RecoveryCommand.cpp)
vantrel_fuzz_target(dns-record-lines HARNESS DnsRecordLinesFuzz.cpp SOURCES wizards/dns/RecordLines.cpp)
vantrel_fuzz_target(reg-file HARNESS RegFileFuzz.cpp SOURCES companions/RegFile.cpp)
