#include "places/specialfolderlist.h"

namespace tovane {

using platform::Place;

QString placeCaption(Place place)
{
    switch (place) {
    case Place::Home:
        return QStringLiteral("ホームフォルダ");
    case Place::Desktop:
        return QStringLiteral("デスクトップ");
    case Place::Documents:
        return QStringLiteral("ドキュメント");
    case Place::Downloads:
        return QStringLiteral("ダウンロード");
    case Place::Music:
        return QStringLiteral("ミュージック");
    case Place::Pictures:
        return QStringLiteral("ピクチャ");
    case Place::Videos:
        return QStringLiteral("ビデオ");
    case Place::Templates:
        return QStringLiteral("テンプレート");
    case Place::PublicShare:
        return QStringLiteral("パブリック");
    case Place::TrashFiles:
        return QStringLiteral("ごみ箱");
    case Place::Autostart:
        return QStringLiteral("スタートアップ");
    case Place::Applications:
        return QStringLiteral("アプリケーションメニュー");
    case Place::DataFonts:
    case Place::HomeFonts:
        return QStringLiteral("フォント");
    case Place::ConfigHome:
        return QStringLiteral("ユーザーの設定ファイル");
    case Place::DataHome:
        return QStringLiteral("ユーザーのアプリケーションデータ");
    case Place::CacheHome:
        return QStringLiteral("ユーザーのキャッシュ");
    case Place::StateHome:
        return QStringLiteral("ユーザーの状態データ");
    case Place::Temporary:
        return QStringLiteral("一時ファイル");
    case Place::Media:
    case Place::RunMedia:
        return QStringLiteral("リムーバブルメディア");
    case Place::Mnt:
        return QStringLiteral("マウント用フォルダ");
    }
    return QString();
}

QList<PlaceRow> specialFolderRows(const PlaceLookup& lookup)
{
    QList<PlaceRow> rows;
    for (int i = 0; i < platform::PlaceCount; ++i) {
        const Place place = Place(i);
        const QString path = lookup ? lookup(place) : platform::placeFolder(place);
        if (!path.isEmpty())
            rows.append({path, placeCaption(place)});
    }
    return rows;
}

QStringList specialFolderColumns()
{
    QStringList labels = QStringLiteral("  フルパス名,  コメント,").split(u',');
    labels.removeLast();
    return labels;
}

} // namespace tovane
