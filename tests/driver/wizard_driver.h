// The wizard driver: runs the real install.exe and works its windows as a user
// would. Everything here is usable without GoogleTest (target wizard_driver_core);
// the tests' base fixture is in wizard_test.h (target wizard_driver).
#pragma once

#include "tests/driver/driver_common.h"
#include "tests/driver/page.h"
#include "tests/driver/page_look.h"
#include "tests/driver/screen_capture.h"
#include "tests/driver/setup_run.h"
#include "tests/driver/setup_state.h"
#include "tests/driver/test_files.h"
#include "tests/driver/window_query.h"
