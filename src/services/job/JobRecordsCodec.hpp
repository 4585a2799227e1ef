#pragma once
// Codecs of the job records, for the files that nest them.

#include "quillbox/services/job/JobRecords.hpp"
#include "request/JsonCodec.hpp"

QUILLBOX_DECLARE_RECORD_CODEC(quillbox::GetJobsBean)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::JobInfo)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::GetJobsResponse)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::FileInfo)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::CreateTaskInfoReq)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::CreateJobBean)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::CreateJobsResponse)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::CancelJobsResponse)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::CancelJobsBean)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::GetJobDetailByIdBean)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::JobDetailInfo)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::TaskInfo)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::UncompressedFileInfo)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::JobDetailData)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::GetJobDetailByIdResponse)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::ShareJobInfo)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::ShareTaskInfo)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::UncompressedFileinfoList)
QUILLBOX_DECLARE_RECORD_CODEC(quillbox::ArchiveData)
