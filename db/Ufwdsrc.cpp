#include "db/Ufwdsrc.h"

TFwwDataSource::TFwwDataSource(QObject* parent) : db::DataSource(parent) {
    setAutoEdit(false);
}
