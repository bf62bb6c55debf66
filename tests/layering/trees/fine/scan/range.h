#pragma once

#include <sys/stat.h>

#include "match/walk.h"
#include "scan/sink.h"
#include "sink.h"
