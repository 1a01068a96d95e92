#pragma once

#include "db/DataSource.h"

// The data source under editable grids: typing into a bound control does not put
// the data set into edit state; editing starts explicitly (a navigator's edit).
class TFwwDataSource : public db::DataSource {
    Q_OBJECT
public:
    explicit TFwwDataSource(QObject* parent = nullptr);
};
