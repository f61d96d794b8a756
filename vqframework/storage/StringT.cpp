#include "vqframework/storage/StringT.h"
