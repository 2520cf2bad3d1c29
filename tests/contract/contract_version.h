// The version block the contract tests' program carries: written by the
// resource compiler into contract_tests.exe (contract_resources.rc), and
// given to the simulated desktop for its program file (sim_world.cpp).
// Macros, because the resource compiler reads this file too.
#pragma once

#define MM_CONTRACT_FILE_VERSION 9, 9, 9, 9
#define MM_CONTRACT_PRODUCT_VERSION 2, 1, 0, 5
#define MM_CONTRACT_TABLE "041103A4"
#define MM_CONTRACT_LANGUAGE 0x0411
#define MM_CONTRACT_CODE_PAGE 932
#define MM_CONTRACT_PRODUCT_NAME "契約の MoriMo"
#define MM_CONTRACT_COPYRIGHT "(C) MoriMo"
