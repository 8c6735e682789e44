#include "app/editor_context.h"

#include "app/editor_actions.h"
#include "app/editor_session.h"
#include "files/fir_import.h"

namespace zef {

EditorContext EditorContextOf(EditorSession& session, DeviceSlot slot) {
    return {slot,
            session.model(),
            session.writer(),
            session.dialogs(),
            session.responses(),
            session.state().responses,
            session.events(),
            session.graphView(),
            session.selection(slot),
            session.history(),
            session.decimalComma()};
}

EditorTools EditorToolsOf(EditorSession& session) {
    return {session.link(),
            session.exchange(),
            session.reader(),
            session.presets(),
            session.passwords(),
            session.dataSubfolder(kPresetFolderName),
            session.dataSubfolder(fir::kFirFolder)};
}

}  // namespace zef
