velmora_add_test(test_add_url_form SOURCES test_add_url_form.cpp LIBS velmora_ui)
velmora_add_test(test_about_form SOURCES test_about_form.cpp FakeDialogs.h LIBS velmora_ui)
velmora_add_test(test_shell_routines SOURCES test_shell_routines.cpp FakeDialogs.h LIBS velmora_ui)
