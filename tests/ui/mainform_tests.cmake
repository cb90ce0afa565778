add_library(mainform_test_support STATIC MainFormFixture.h MainFormFixture.cpp FakeDialogs.h)
target_include_directories(mainform_test_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(mainform_test_support PUBLIC velmora_ui Qt6::Test)

velmora_add_test(mainform_tests SOURCES test_mainform.cpp LIBS mainform_test_support)
velmora_add_test(mainform_run_tests SOURCES test_mainform_run.cpp LIBS mainform_test_support)
if(TARGET fakeconverter)
  add_dependencies(mainform_run_tests fakeconverter)
endif()
