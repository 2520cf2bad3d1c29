// Product identity: the version resource and the about box read these.
#pragma once

#define MORIMO_VERSION_MAJOR 1
#define MORIMO_VERSION_MINOR 0
#define MORIMO_VERSION_PATCH 0
#define MORIMO_VERSION_BUILD 0
#define MORIMO_VERSION_TEXT "1.0.0"
#define MORIMO_PRODUCT_NAME "MoriMo"
#define MORIMO_COPYRIGHT "Copyright (C) 2026 MoriMo developers"
#define MORIMO_DESCRIPTION "MoriMo: takes windows into the notification area"
// Our project's two pages: the about box shows both; the main menu's item
// names the first.
#define MORIMO_MAKER_URL "https://github.com/morimo-app"
#define MORIMO_PRODUCT_URL "https://github.com/morimo-app/morimo"
#define MORIMO_MAKER_MENU_TEXT "MoriMo 開発者のページ\t(&A)"
