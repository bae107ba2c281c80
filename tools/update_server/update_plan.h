#pragma once
// Which files of a release a client must receive: those it does not list, and those it lists with
// another size or last-write time. Files only the client has are left alone. Names are matched
// without regard to ASCII case, as the client's file system matches them.
#include <cstdint>
#include <memory>
#include <vector>

#include "client_file_list.h"
#include "release_snapshot.h"

struct UpdatePlan {
    std::shared_ptr<const ReleaseSnapshot> snapshot;  // keeps the planned versions readable
    std::vector<const ReleaseFile*> files;            // in the snapshot's order
    // The sum of the sizes, held at the largest u32 when it does not fit: the client shows it as a
    // progress total and needs no exact figure beyond that.
    uint32_t totalBytes = 0;
};

// An empty file counts as up to date when the client lists it with size 0, whatever its time: a
// file sent as its header alone is created empty but never takes the record's time, so comparing
// the time would send it again in every session.
UpdatePlan PlanUpdate(std::shared_ptr<const ReleaseSnapshot> snapshot, const std::vector<ClientFile>& listed);
