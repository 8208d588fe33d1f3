# CMake generated Testfile for 
# Source directory: /work/main/tests
# Build directory: /work/main/build-cov/tests
# 
# This file includes the relevant testing commands required for 
# testing this directory and lists subdirectories to be tested as well.
include("/work/main/build-cov/tests/corvel_unit_tests[1]_include.cmake")
include("/work/main/build-cov/tests/corvel_e2e_tests[1]_include.cmake")
add_test([=[Layers.IncludesPointDown]=] "/work/main/scripts/check-layers" "/work/main")
set_tests_properties([=[Layers.IncludesPointDown]=] PROPERTIES  LABELS "unit" _BACKTRACE_TRIPLES "/work/main/tests/CMakeLists.txt;30;add_test;/work/main/tests/CMakeLists.txt;0;")
add_test([=[Layers.CheckFindsAnUpwardInclude]=] "sh" "-c" "t=\$(mktemp -d) && mkdir -p \$t/asf && echo '#include \"session/session.hpp\"' > \$t/asf/a.hpp && ! /work/main/scripts/check-layers \$t; r=\$?; rm -rf \$t; exit \$r")
set_tests_properties([=[Layers.CheckFindsAnUpwardInclude]=] PROPERTIES  LABELS "unit" _BACKTRACE_TRIPLES "/work/main/tests/CMakeLists.txt;31;add_test;/work/main/tests/CMakeLists.txt;0;")
