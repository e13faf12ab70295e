#include "ui/update_page.h"
