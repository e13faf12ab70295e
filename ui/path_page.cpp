#include "ui/path_page.h"
