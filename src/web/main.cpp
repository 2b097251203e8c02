// The calls the page's script makes into the core, in C so that they need no binding library:
// the script writes a question's bytes and arguments into buffers of the session, makes the
// call, and copies the answer out before its next call.
#include "web/web_core.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace beatplate {

// What the script holds between its calls.
struct WebSession {
    WebCore core;
    std::string input; // the bytes of the next question: a chart, a picture, a font, a text
    std::array<std::string, 3> arguments; // its words, as the command line would take them
    WebAnswer answer; // the last answer, kept until the next question
};

// Answers the question about the session's input, which goes with it; what the question throws
// (running out of memory) is answered as a failure, since nothing may throw into the script.
template <typename Question>
static void ask(WebSession& session, const Question& question)
{
    std::string input = std::exchange(session.input, std::string());
    try {
        session.answer = question(std::move(input));
    } catch (const std::exception& error) {
        session.answer = failureAnswer(error);
    }
}

} // namespace beatplate

using beatplate::WebSession;

// The script calls these by their C names, which keep the C convention.
// NOLINTBEGIN(readability-identifier-naming)
extern "C" {

// A new session; the script ends it with beatplate_destroy.
WebSession* beatplate_create()
{
    return std::make_unique<WebSession>().release();
}

void beatplate_destroy(WebSession* session)
{
    const std::unique_ptr<WebSession> owned(session);
}

// Room for the next question's size bytes, which the script fills.
char* beatplate_input(WebSession* session, std::size_t size)
{
    session->input.assign(size, '\0');
    return session->input.data();
}

// Room for argument index (0 to 2) of the next question, size bytes of UTF-8.
char* beatplate_argument(WebSession* session, std::size_t index, std::size_t size)
{
    std::string& argument = session->arguments.at(index);
    argument.assign(size, '\0');
    return argument.data();
}

// The input is a PNG; the answer {"loaded": true} when it is read as the sprite sheet.
void beatplate_load_sheet(WebSession* session)
{
    beatplate::ask(*session, [session](std::string png) {
        return beatplate::loadedAnswer(session->core.loadSpriteSheet(
            { reinterpret_cast<const std::uint8_t*>(png.data()), png.size() }));
    });
}

// The input is a font file; the answer {"loaded": true} when its first face is taken for the
// header.
void beatplate_load_font(WebSession* session)
{
    beatplate::ask(*session, [session](std::string font) {
        return beatplate::loadedAnswer(
            session->core.loadHeaderFont(std::vector<std::uint8_t>(font.begin(), font.end())));
    });
}

// The input is a chart; the arguments its columns and largest size.
void beatplate_draw(WebSession* session)
{
    beatplate::ask(*session, [session](std::string chart) {
        return session->core.draw(std::move(chart), session->arguments[0], session->arguments[1]);
    });
}

void beatplate_check(WebSession* session)
{
    beatplate::ask(*session, &beatplate::WebCore::check);
}

// The input is a chart; the arguments its name in the figures, its columns and largest size.
void beatplate_figures(WebSession* session)
{
    beatplate::ask(*session, [session](std::string chart) {
        return beatplate::WebCore::figures(std::move(chart), session->arguments[0],
                                           session->arguments[1], session->arguments[2]);
    });
}

void beatplate_sound(WebSession* session)
{
    beatplate::ask(*session, &beatplate::WebCore::sound);
}

// The input is empty.
void beatplate_voices(WebSession* session)
{
    beatplate::ask(*session, [](const std::string&) { return beatplate::WebCore::voices(); });
}

// The input is a picture.
void beatplate_chart_of(WebSession* session)
{
    beatplate::ask(*session,
                   [](const std::string& png) { return beatplate::WebCore::chartOf(png); });
}

// The input is a chart file.
void beatplate_read_chart_file(WebSession* session)
{
    beatplate::ask(*session, [](const std::string& bytes) {
        return beatplate::WebCore::readChartFile(bytes);
    });
}

// The input is UTF-8 text; the arguments its encoding, "bom" or empty, and its line ends.
void beatplate_write_chart_file(WebSession* session)
{
    beatplate::ask(*session, [session](const std::string& text) {
        return beatplate::WebCore::writeChartFile(
            text, session->arguments[0], session->arguments[1] == "bom", session->arguments[2]);
    });
}

const char* beatplate_answer_json(const WebSession* session)
{
    return session->answer.json.c_str();
}

std::size_t beatplate_answer_files(const WebSession* session)
{
    return session->answer.files.size();
}

const std::uint8_t* beatplate_answer_file(const WebSession* session, std::size_t index)
{
    return session->answer.files.at(index).data();
}

std::size_t beatplate_answer_file_size(const WebSession* session, std::size_t index)
{
    return session->answer.files.at(index).size();
}

} // extern "C"
// NOLINTEND(readability-identifier-naming)
