#pragma once

#include "db/DataSet.h"

#include <QObject>
#include <vector>

namespace db {

class DataLink;

// Connects data-aware controls (through their links) to a data set.
class DataSource : public QObject {
    Q_OBJECT
public:
    explicit DataSource(QObject* parent = nullptr);
    ~DataSource() override;

    DataSet* dataSet() const { return dataSet_; }
    void setDataSet(DataSet* dataSet);
    bool autoEdit() const { return autoEdit_; }
    void setAutoEdit(bool on) { autoEdit_ = on; }
    DataSetState state() const;
    // Puts the data set into edit state when auto-edit is on and it is browsing.
    void edit();

    // Called by the data set.
    void dataEvent(DataEvent event, Field* field);

Q_SIGNALS:
    // For controls without a link of their own (navigator buttons, captions).
    void stateChanged();                // opened, closed, browse / edit / insert
    void dataChanged(db::Field* field); // record, scroll or whole data set; field or none
    void updateData();                  // a post is about to store the record

private:
    friend class DataLink;
    DataSet* dataSet_ = nullptr;
    bool autoEdit_ = true;
    std::vector<DataLink*> links_;
};

// A control's view of a data source. It keeps a window of bufferCount rows of the
// buffer around the current record, as list controls need.
class DataLink {
public:
    DataLink() = default;
    virtual ~DataLink();
    DataLink(const DataLink&) = delete;
    DataLink& operator=(const DataLink&) = delete;

    void setDataSource(DataSource* source);
    DataSource* dataSource() const { return source_; }
    DataSet* dataSet() const;
    bool active() const;
    bool editing() const;
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool on) { readOnly_ = on; }
    // Asks for edit state (auto-edit); answers whether the data set is editing now.
    bool edit();
    void modified() { modified_ = true; }
    bool isModified() const { return modified_; }
    void updateRecord(); // ask the control to write its pending text (updateData)

    int bufferCount() const { return bufferCount_; }
    void setBufferCount(int count);
    int activeRecord() const;                  // index of the current record within the window
    int recordCount() const;                   // rows in the window
    int firstRecord() const { return first_; } // buffer index of the window's first row

protected:
    virtual void activeChanged() {}
    virtual void recordChanged(Field*) {}
    virtual void dataSetChanged() { recordChanged(nullptr); }
    virtual void dataSetScrolled(int /*distance*/) { dataSetChanged(); }
    virtual void editingChanged() {}
    virtual void updateData() {}
    virtual void rowsFetched() {}

private:
    friend class DataSource;
    void dispatch(DataEvent event, Field* field);
    void placeWindow();
    void sourceChanged(bool wasActive);

    DataSource* source_ = nullptr;
    bool readOnly_ = false;
    bool modified_ = false;
    bool wasEditing_ = false;
    int bufferCount_ = 1;
    int first_ = 0;
    bool placing_ = false; // placeWindow reads rows, which notifies again
};

} // namespace db
