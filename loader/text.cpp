#include "loader/text.h"
