# Stand-in for wkhtmltopdf in tests: records its arguments and behaves as markers in the source name ask.
add_executable(fakeconverter fakeconverter.cpp)
target_link_libraries(fakeconverter PRIVATE Qt6::Core)
