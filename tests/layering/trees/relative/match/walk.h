#pragma once

#include "../scan/range.h"
