#include "ui/options_page.h"
