// The save dialogs: a file name typed without an extension gets the one of
// the dialog's filter, so the file shows in the matching open dialog; a name
// with an extension, or a cancelled dialog, is left as it is.
#include <gtest/gtest.h>

#include "app/output_eq_actions.h"
#include "app/wizard_texts.h"
#include "files/file_texts.h"
#include "recording_dialogs.h"

namespace zef {
namespace {

TEST(SaveDialog, ANameWithoutExtensionGetsTheFiltersOne) {
    struct Case {
        const char* filter;
        const char* typed;
        const char* saved;
    };
    const Case cases[] = {
        {kSaveFirFilter, "/data/fir/corr", "/data/fir/corr.txt"},
        {wizard_text::kFirTextFilter, "/data/corr", "/data/corr.txt"},
        {wizard_text::kIrwFilter, "/m/room", "/m/room.irw"},
        {wizard_text::kWizFilter, "/m/room", "/m/room.wiz"},
        {kPresetFileFilter, "/p/live", "/p/live.zef"},
        {kProjectFileFilter, "C:\\shows\\tour", "C:\\shows\\tour.prp"},
        {kPresetFileFilter, "/p/live.zef", "/p/live.zef"},           // typed extension kept
        {kSaveFirFilter, "/d/corr.fir", "/d/corr.fir"},               // another extension kept
        {kSaveFirFilter, "/d.v2/corr", "/d.v2/corr.txt"},             // a dot in the folder only
        {"All files (*.*)|*.*", "/d/corr", "/d/corr"},                // no extension to give
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.filter) + " " + c.typed);
        RecordingDialogs dialogs;
        dialogs.files.push_back(std::string(c.typed));
        EXPECT_EQ(dialogs.SavePath("Save", c.filter, "/"), std::optional<std::string>(c.saved));
    }
    RecordingDialogs cancelled;
    cancelled.files.push_back(std::nullopt);
    EXPECT_EQ(cancelled.SavePath("Save", kSaveFirFilter, "/"), std::nullopt);
}

}  // namespace
}  // namespace zef
