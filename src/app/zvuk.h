#pragma once

#include <functional>

namespace tarvel::app {

// The two sound cues: "../Zvuci/pitanje.wav" and "../Zvuci/msremind.wav" beside the program folder.
// A file that cannot be played gives the system beep instead.
enum class Zvuk { Pitanje, Podsjetnik };

void playCue(Zvuk cue);

// Tests watch the cues instead of hearing them: the observer receives each cue and whether its file
// was playable; nothing is played while an observer is set.
void setCueObserver(std::function<void(Zvuk cue, bool filePlayable)> observer);

} // namespace tarvel::app
