// Resource ids of the Wine tests' own resources (wine_test_resources.rc):
// the backend loads menus by id from the running program. Macros, because
// the resource compiler reads this file too.
#pragma once

#define MM_TEST_MENU 4301
#define MM_TEST_ITEM_OPEN 101
#define MM_TEST_ITEM_DEEP 201
#define MM_TEST_ITEM_EXIT 102
#define MM_TEST_HELP_HAND 106
