#include "SharedRoutinesCommon.h"
