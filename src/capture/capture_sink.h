#pragma once

#include "clipboard/clip_snapshot.h"
#include "records/file_record.h"
#include "imaging/image_record.h"
#include "records/text_records.h"

// Where the capture thread hands new records. Called on the capture thread,
// in capture order; an implementation that owns windows must pass the
// records on to the GUI thread rather than touch the windows here.
// `changedAt` is when the clipboard change that brought the record came.
class CaptureSink
{
public:
    virtual ~CaptureSink() = default;

    virtual void AddText(TextRecord text, ChangeTime changedAt) = 0;
    virtual void AddImage(ImageRecord image, ChangeTime changedAt) = 0;
    virtual void AddFile(FileRecord file, ChangeTime changedAt) = 0;
};
