#include "app/uExceptions.h"

namespace tavrel {

void ReportException(const std::exception&) {}

}  // namespace tavrel
