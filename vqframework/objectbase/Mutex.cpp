#include "vqframework/objectbase/Mutex.h"

namespace VQ {

Mutex::~Mutex() = default;

} // namespace VQ
