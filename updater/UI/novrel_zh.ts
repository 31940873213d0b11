<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>Novrel</name>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Click the update button to obtain the latest version information, and update.</source>
        <translation>点击升级按钮，开始更新软件到最新版本.</translation>
    </message>
    <message>
        <source>Downloading files %1</source>
        <translation>正在在下载文件 %1</translation>
    </message>
    <message>
        <source>Finished</source>
        <translation>完成</translation>
    </message>
    <message>
        <source>Is in the backup file %1</source>
        <translation>正在在备份文件 %1</translation>
    </message>
    <message>
        <source>MainApp Ver Novrel:%1</source>
        <translation>主程序版本更新至: %1</translation>
    </message>
    <message>
        <source>MainApp Ver:%1</source>
        <translation>主程序版本;%1</translation>
    </message>
    <message>
        <source>Soft Novrel</source>
        <translation>软件更新</translation>
    </message>
    <message>
        <source>Software download update failed</source>
        <translation>软件下载更新失败</translation>
    </message>
    <message>
        <source>Software update failed</source>
        <translation>软件更新失败</translation>
    </message>
    <message>
        <source>Software update success</source>
        <translation>软件更新成功,点击完成按钮将启动软件.</translation>
    </message>
    <message>
        <source>Novrel</source>
        <translation>升级</translation>
    </message>
    <message>
        <source>softNovrel</source>
        <translation>软件在线更新...</translation>
    </message>
</context>
<context>
    <name>ReleaseProblemText</name>
    <message>
        <source>This build has no release key: no update can be installed.</source>
        <translation>此版本没有发布密钥，无法安装任何更新。</translation>
    </message>
    <message>
        <source>The release is not signed by the maker: nothing was installed.</source>
        <translation>该发布版本没有制造商的签名，未安装任何文件。</translation>
    </message>
    <message>
        <source>The update service does not match the signed release: nothing was installed.</source>
        <translation>更新服务与已签名的发布版本不一致，未安装任何文件。</translation>
    </message>
    <message>
        <source>The signed release is not newer than the installed program: nothing was installed.</source>
        <translation>已签名的发布版本不比已安装的程序新，未安装任何文件。</translation>
    </message>
    <message>
        <source>The signed release has expired: a newer one may be held back. Nothing was installed.</source>
        <translation>已签名的发布版本已过期，新版本可能被扣留。未安装任何文件。</translation>
    </message>
    <message>
        <source>A downloaded file is not the one the release describes: nothing was installed.</source>
        <translation>下载的文件与发布版本的描述不符，未安装任何文件。</translation>
    </message>
    <message>
        <source>The update took too long: nothing was installed.</source>
        <translation>更新超时，未安装任何文件。</translation>
    </message>
</context>
<context>
    <name>YDialog</name>
    <message>
        <source>System hint</source>
        <translation>系统标题</translation>
    </message>
</context>
<context>
    <name>YInfoBox</name>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>System hint</source>
        <translation>系统标题</translation>
    </message>
</context>
</TS>
