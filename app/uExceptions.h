#pragma once
// Where the audio control sends the errors it drops: nowhere. The window
// shows no error; the routine is kept so every guarded call names it.
#include <exception>

namespace tavrel {

void ReportException(const std::exception& e);

}  // namespace tavrel
