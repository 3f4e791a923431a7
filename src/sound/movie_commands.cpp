// The movie command: `movieplay FILE` shows a movie in the game window and holds the story until
// it has played out or the player ends it with Esc or a right click; `movieplay stop` (any line
// holding "stop") only silences a voice that plays.
#include <cstring>
#include <string>

#include "platform/file_stream.h"
#include "script/commands.h"
#include "shell/engine.h"
#include "shell/messages.h"

namespace textreel {

void CmdMoviePlay(Engine& e, const char* line, int) {
    if (std::strstr(line, "stop") != nullptr) {
        e.Send([&e] { e.VoiceStopRequest(); });
        return;
    }
    e.WaitIconOn = 0;
    const char* blank = std::strchr(line, ' ');
    std::string name = blank != nullptr ? std::string(blank + 1) : std::string();
    // The movie takes the background's place in the record until the next picture command.
    e.flags.SetText(FlagBlock::kBackgroundName, FlagBlock::kNameSize, e.workDir + name);

    bool readable = false;
    if (!name.empty()) {
        if (std::optional<std::string> real = e.ResolvePath(name)) {
            if (std::FILE* file = files::OpenRegularFile(*real)) {
                std::fclose(file);
                readable = true;
            }
        }
    }
    if (!readable) {
        e.Warn(e.Text(msg::kMovieMissing));
        return;
    }
    if (e.LoadInProgress != 0) {
        return;  // a load's replay passes over movies
    }
    e.sound.movieName = name;
    // Input other than Esc and the right button stops counting at once, so that no click can
    // resume the story between here and the start of the movie; an Esc or right click that comes
    // before the start ends the movie once it has started.
    e.MoviePlaying = kMovieStarting;
    e.KeepEarlyResume();
    e.Post([&e] { e.MoviePlayRequest(); });
    // Only the movie's stop goes on with the story: a resume from a click that the window side
    // took for reading just before the movie was marked is passed over.
    while (e.SuspendScript()) {
        e.KeepEarlyResume();
        if (e.MoviePlaying == kMovieNone) {
            e.DropEarlyResume();
            break;
        }
    }
}

}  // namespace textreel
