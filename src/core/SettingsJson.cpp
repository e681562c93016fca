#include "core/SettingsJson.h"

JsonOut settingsToJson(const Settings &s, const QVector<ProxyEntry> &proxies) {
    JsonOut out = JsonOut::object();
    const QPair<const char *, qint16> general[] = {
        {"Maxjobs", s.Maxjobs},   {"Parts", s.Parts},       {"Retries", s.Retries},
        {"Ctimeout", s.Ctimeout}, {"Rtimeout", s.Rtimeout}, {"Redelay", s.Redelay}};
    for (const auto &g : general)
        out.insert(QLatin1String(g.first), JsonOut::integer(g.second));
    out.insert(QStringLiteral("Fileexits"), JsonOut::boolean(s.Fileexits));
    out.insert(QStringLiteral("Useragent"), JsonOut::string(s.Useragent));
    const QPair<const char *, qint16> other[] = {{"StartMin", s.StartMin},
                                                 {"CloseMin", s.CloseMin},
                                                 {"HideMin", s.HideMin},
                                                 {"UseMQ", s.UseMQ},
                                                 {"StillDownload", s.StillDownload},
                                                 {"DoneExit", s.DoneExit},
                                                 {"DownShutDown", s.DownShutDown},
                                                 {"AutoBack", s.AutoBack},
                                                 {"PopMessage", s.PopMessage}};
    for (const auto &o : other)
        out.insert(QLatin1String(o.first), JsonOut::integer(o.second));
    JsonOut list = JsonOut::array();
    for (const ProxyEntry &p : proxies)
        list.append(JsonOut::string(p.text()));
    out.insert(QStringLiteral("Proxies"), list);
    return out;
}
