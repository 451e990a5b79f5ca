// The program's identity: product name, version and company, from which storage folders and
// the processing stamp of saved files are built.
#pragma once

#include <string>

namespace gravon {

class TProgId {
  public:
    const std::string& ProductName() const { return fproductname; }
    void setProductName(std::string v) { fproductname = std::move(v); }
    std::string Version() const { return fautoversion ? std::string("3.0") : fversion; }
    void setVersion(std::string v) { fversion = std::move(v); }
    bool AutoVersion() const { return fautoversion; }
    void setAutoVersion(bool v) { fautoversion = v; }
    const std::string& Company() const { return fcompany; }
    void setCompany(std::string v) { fcompany = std::move(v); }
    const std::string& Copyright() const { return fcopyright; }
    void setCopyright(std::string v) { fcopyright = std::move(v); }
    // A settings folder of the run's own, which holds every settings file directly; empty: the
    // one the environment names, or the user's.
    const std::string& SettingsDir() const { return fsettingsdir; }
    void setSettingsDir(std::string v) { fsettingsdir = std::move(v); }

    // Text of the "proc0" item of saved SMP and phonetogram files.
    std::string processing_stamp() const { return fproductname + " " + Version() + frevision; }

  private:
    std::string fproductname = "Gravon";
    std::string fversion = "0.0.0.22";
    bool fautoversion = false;
    std::string fcompany = "ArnselData";
    std::string fcopyright = "Copyright (c) the Gravon developers";
    std::string frevision; // empty in the application
    std::string fsettingsdir;
};

} // namespace gravon
