find_package(Qt6 REQUIRED COMPONENTS Gui Network)

# The fake-converter install and the recording window host shared by the run tests.
add_library(velmora_run_test_support STATIC RunTestSupport.h RunTestSupport.cpp)
target_link_libraries(velmora_run_test_support PUBLIC velmora_engine Qt6::Test)

velmora_add_test(test_output_names SOURCES test_output_names.cpp LIBS velmora_engine)
velmora_add_test(test_batch_runner SOURCES test_batch_runner.cpp LIBS velmora_run_test_support)
velmora_add_test(test_convert_command SOURCES test_convert_command.cpp LIBS velmora_run_test_support)
velmora_add_test(test_real_converter SOURCES test_real_converter.cpp
  LIBS velmora_run_test_support Qt6::Gui Qt6::Network)
# The fake is found through the environment, so building a test must build it too.
add_dependencies(test_batch_runner fakeconverter)
add_dependencies(test_convert_command fakeconverter)
