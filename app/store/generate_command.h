// Store → Generate Store Page…: the sale stock written as the static shop
// page into a folder the user picks. Without self-hosted images it is quick
// and runs on the user-interface thread; with them the downloads run as a
// background job under its progress window, with Cancel.
#pragma once

#include "app/jobs/job_record.h"

void Generate();

// Lets go of a job result's message text; the command runs it on every way
// out once the job has ended.
void FreeJobResult(JobResult& result);
