#pragma once

#include "extra/helper.h"
