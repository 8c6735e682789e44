#include "app/measure_context.h"

#include <filesystem>

#include "app/editor_session.h"
#include "base/utf8_path.h"

namespace zef {

std::string MeasureContext::dataSubfolder(const char* name) const {
    return Utf8Join(dataFolder, name);
}

MeasureContext MeasureContextOf(EditorSession& session) {
    return {session.model(),
            session.exchange(),
            session.writer(),
            session.link(),
            session.dialogs(),
            session.events(),
            session.history(),
            session.responses(),
            session.state().responses,
            session.grid(),
            session.measure(),
            [&session](std::string& error) { return session.audio(error); },
            session.dataFolder(),
            session.decimalComma()};
}

}  // namespace zef
