// Product identity, in one place: the resource script writes morimo.exe's
// version block from it (the about box reads that block back), the build
// and the release archive take their version number from it, and the main
// menu and the about box name our pages with it.
#pragma once

#define MORIMO_VERSION_MAJOR 1
#define MORIMO_VERSION_MINOR 0
#define MORIMO_VERSION_PATCH 0
#define MORIMO_VERSION_BUILD 0
// The first three numbers as text (CMakeLists.txt stops when they differ).
#define MORIMO_VERSION_TEXT "1.0.0"
#define MORIMO_PRODUCT_NAME "MoriMo"
#define MORIMO_COPYRIGHT "Copyright (C) 2026 MoriMo developers"
#define MORIMO_DESCRIPTION "MoriMo: takes windows into the notification area"
// Our project's two pages: the about box shows both; the main menu's item
// and the about box's label name the first alike.
#define MORIMO_MAKER_URL "https://github.com/morimo-app"
#define MORIMO_PRODUCT_URL "https://github.com/morimo-app/morimo"
#define MORIMO_MAKER_PAGE_NAME "MoriMo 開発者のページ"
#define MORIMO_MAKER_MENU_TEXT MORIMO_MAKER_PAGE_NAME "\t(&A)"
#define MORIMO_MAKER_LABEL MORIMO_MAKER_PAGE_NAME "："
