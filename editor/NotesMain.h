// The main procedure of notes: start-up around the application frame and shutdown after it.
#pragma once

namespace editor {

void NotesMain();

} // namespace editor
