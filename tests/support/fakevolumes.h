#pragma once

#include "ui/filepanel.h"

// Volumes given by the test: folders of a temporary tree stand in for mount points.
class FakeVolumes : public VolumeSource
{
public:
    explicit FakeVolumes(QList<Volume> list)
        : list(std::move(list))
    { }
    QList<Volume> volumes() const override { return list; }

    QList<Volume> list;
};
