velmora_add_test(test_queue_grid SOURCES test_queue_grid.cpp LIBS velmora_ui)
