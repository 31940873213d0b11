<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>LatchWidget</name>
    <message>
        <source>Latch</source>
        <translation>锁存值</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>触发时间</translation>
    </message>
    <message>
        <source>TriggerCount:</source>
        <translation>参考触发次数:</translation>
    </message>
    <message>
        <source>TriggerPulses</source>
        <translation>触发脉冲计数</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <source>Error</source>
        <translation>提示:有错误发生!</translation>
    </message>
    <message>
        <source>We have another program running!</source>
        <translation>已经有另外一个程序实例正在运行!</translation>
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
    <name>SetPreValue</name>
    <message>
        <source>Cancle</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Config</source>
        <translation>预设值</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>提示:有错误发生!</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Please enter the correct default</source>
        <translation>请输入正确的预设值.</translation>
    </message>
    <message>
        <source>Preavlue is empty</source>
        <translation>预设值不能为空</translation>
    </message>
    <message>
        <source>Preavlue:</source>
        <translation>输入预设值:</translation>
    </message>
    <message>
        <source>SetPreValue</source>
        <translation>设定预值</translation>
    </message>
</context>
<context>
    <name>SinCosValue</name>
    <message>
        <source>CosValue:%1</source>
        <translation>余弦值:%1</translation>
    </message>
    <message>
        <source>SinValue:%1</source>
        <translation>正弦值:%1</translation>
    </message>
</context>
<context>
    <name>SpeedCurve</name>
    <message>
        <source>Speed:</source>
        <translation>速度:</translation>
    </message>
</context>
<context>
    <name>SysSetting</name>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>4</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>5</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>6</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Accuracy:</source>
        <translation>显示精度</translation>
    </message>
    <message>
        <source>AdcGain is empty</source>
        <translation>ADC增益为空!</translation>
    </message>
    <message>
        <source>AdcGain is not a valid number</source>
        <translation>ADC增益不是有效数字!</translation>
    </message>
    <message>
        <source>AdcGain:</source>
        <translation>ADC增益:</translation>
    </message>
    <message>
        <source>Config</source>
        <translation>参数配置</translation>
    </message>
    <message>
        <source>EncoderPoewr:</source>
        <translation>编码器电源:</translation>
    </message>
    <message>
        <source>EncoderPoewrClose</source>
        <translation>关闭</translation>
    </message>
    <message>
        <source>EncoderPoewrOpen</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Equipment access error, please check!</source>
        <translation>设备接入错误，请检查!</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>提示:有错误发生!</translation>
    </message>
    <message>
        <source>FilterLevel:</source>
        <translation>显示滤波级别:</translation>
    </message>
    <message>
        <source>HIGH</source>
        <translation>高</translation>
    </message>
    <message>
        <source>MIDDLE</source>
        <translation>中</translation>
    </message>
    <message>
        <source>None</source>
        <translation>无</translation>
    </message>
    <message>
        <source>R comparison can not be less than 2 or more than 3</source>
        <translation>R比较直不能小于2或者大于3</translation>
    </message>
    <message>
        <source>Read</source>
        <translation>读配置</translation>
    </message>
    <message>
        <source>SinCosEquivalent is empty</source>
        <translation>SINCOS当量为空!</translation>
    </message>
    <message>
        <source>SinCosEquivalent is not a valid number</source>
        <translation>SINCOS当量值不是有效数字!</translation>
    </message>
    <message>
        <source>SinCosEquivalent:</source>
        <translation>SINCOS当量值:</translation>
    </message>
    <message>
        <source>SinCosMode</source>
        <translation>SinCos</translation>
    </message>
    <message>
        <source>SquareWaveEncoderFilter:</source>
        <translation>方波编码器滤波系数:</translation>
    </message>
    <message>
        <source>SquareWaveEquivalent is empty</source>
        <translation>方波的当量值为空!</translation>
    </message>
    <message>
        <source>SquareWaveEquivalent is not a valid number</source>
        <translation>方波的当量值不是有效数字!</translation>
    </message>
    <message>
        <source>SquareWaveEquivalent:</source>
        <translation>边沿触发当量:</translation>
    </message>
    <message>
        <source>SquareWaveMode</source>
        <translation>方波</translation>
    </message>
    <message>
        <source>SysSetting</source>
        <translation>参数设置</translation>
    </message>
    <message>
        <source>WorkerMode:</source>
        <translation>工作模式:</translation>
    </message>
    <message>
        <source>ZcomparisonValue is empty</source>
        <translation>Z比较值为空!</translation>
    </message>
    <message>
        <source>ZcomparisonValue:</source>
        <translation>R比较值:</translation>
    </message>
    <message>
        <source>um</source>
        <translation>微米</translation>
    </message>
    <message>
        <source>write</source>
        <translation>写配置</translation>
    </message>
</context>
<context>
    <name>Tesvane</name>
    <message>
        <source>0</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ClearLatch</source>
        <translation>清空锁存值</translation>
    </message>
    <message>
        <source>ClearLineLock</source>
        <translation>清除线路锁定</translation>
    </message>
    <message>
        <source>ClearLineLock failed!</source>
        <translation>清除线路锁定失败！</translation>
    </message>
    <message>
        <source>ClearLineLock successfully!</source>
        <translation>清除线路锁定成功！</translation>
    </message>
    <message>
        <source>ContactUs</source>
        <translation>联系我们</translation>
    </message>
    <message>
        <source>Device is connected!</source>
        <translation>设备已经连接.</translation>
    </message>
    <message>
        <source>Encoder power set failed!</source>
        <translation>编码器电源设定失败!</translation>
    </message>
    <message>
        <source>Encoder power set successfully!</source>
        <translation>编码器电源设定成功!</translation>
    </message>
    <message>
        <source>EncoderCurrent:</source>
        <translation>编码器电流值:</translation>
    </message>
    <message>
        <source>EncoderPoewrOff</source>
        <translation>关闭编码器电源</translation>
    </message>
    <message>
        <source>EncoderPoewrOn</source>
        <translation>打开编码器电源</translation>
    </message>
    <message>
        <source>Equipment access error, please check!</source>
        <translation>设备接入错误，请检查!</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>提示:有错误发生!</translation>
    </message>
    <message>
        <source>HardwareManual</source>
        <translation>硬件手册</translation>
    </message>
    <message>
        <source>Latch</source>
        <translation>参考锁存值</translation>
    </message>
    <message>
        <source>LevelState:</source>
        <translation>电平状态:</translation>
    </message>
    <message>
        <source>LineState:</source>
        <translation>线路状态:</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>正常</translation>
    </message>
    <message>
        <source>OffLine</source>
        <translation>离线</translation>
    </message>
    <message>
        <source>PhaseError</source>
        <translation>错误</translation>
    </message>
    <message>
        <source>PhaseErrorCount:</source>
        <translation>相位错误次数:</translation>
    </message>
    <message>
        <source>PhaseState:</source>
        <translation>相位状态:</translation>
    </message>
    <message>
        <source>PosNeg</source>
        <translation>转换正负取向</translation>
    </message>
    <message>
        <source>Position</source>
        <translation>软件位置值</translation>
    </message>
    <message>
        <source>PositionZero</source>
        <translation>位置清零</translation>
    </message>
    <message>
        <source>Read configuration data failed!</source>
        <translation>读配置数据失败！</translation>
    </message>
    <message>
        <source>Read configuration data successfully!</source>
        <translation>读配置数据成功！</translation>
    </message>
    <message>
        <source>Reading device parameters!</source>
        <translation>正在读取设备参数</translation>
    </message>
    <message>
        <source>RealTime</source>
        <translation>编码器电流</translation>
    </message>
    <message>
        <source>Reset</source>
        <translation>设备复位</translation>
    </message>
    <message>
        <source>Reset failed!</source>
        <translation>复位失败！</translation>
    </message>
    <message>
        <source>Reset successfully!</source>
        <translation>复位成功！</translation>
    </message>
    <message>
        <source>SetPreValue</source>
        <translation>设定预值</translation>
    </message>
    <message>
        <source>SinCos</source>
        <translation>正余弦状态</translation>
    </message>
    <message>
        <source>Tesvane</source>
        <translation>Rotaprobe</translation>
    </message>
    <message>
        <source>The previous command was replaced by a newer one!</source>
        <translation>上一条命令已被新的命令取代!</translation>
    </message>
    <message>
        <source>Soft Novrel</source>
        <translation>软件更新</translation>
    </message>
    <message>
        <source>SoftwareUpdate</source>
        <translation>检查软件更新</translation>
    </message>
    <message>
        <source>SpeedCurve</source>
        <translation>速度曲线</translation>
    </message>
    <message>
        <source>Squarewave</source>
        <translation>方波状态</translation>
    </message>
    <message>
        <source>SysSet</source>
        <translation>系统设置</translation>
    </message>
    <message>
        <source>The device is not connected!</source>
        <translation>设备没有连接.</translation>
    </message>
    <message>
        <source>Update prompt</source>
        <translation>更新提示</translation>
    </message>
    <message>
        <source>Write configuration data failed!</source>
        <translation>写配置数据失败！</translation>
    </message>
    <message>
        <source>Write configuration data successfully!</source>
        <translation>写配置数据成功！</translation>
    </message>
    <message>
        <source>found that the software has a new version, whether the update?</source>
        <translation>发现新版本软件，是否更新?</translation>
    </message>
    <message>
        <source>hep</source>
        <translation>帮助</translation>
    </message>
    <message>
        <source>ready</source>
        <translation>准备好</translation>
    </message>
</context>
<context>
    <name>YDialog</name>
    <message>
        <source>System hint</source>
        <translation>标题</translation>
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
        <translation>标题</translation>
    </message>
</context>
<context>
    <name>YSoftNovrel</name>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message>
        <source>Click the update button to obtain the latest version information, and update.</source>
        <translation>点击更新按钮获取最新版本信息，并更新.</translation>
    </message>
    <message>
        <source>Find the latest version,Click OK to close the application, and start the upgrade program to upgrade to the latest version of the software.</source>
        <translation>发现新版本，点击升级按钮启动升级程序.</translation>
    </message>
    <message>
        <source>MainApp Ver:%1</source>
        <translation>主程序版本:%1</translation>
    </message>
    <message>
        <source>Soft Novrel</source>
        <translation>软件更新</translation>
    </message>
    <message>
        <source>Software update failed</source>
        <translation>软件更新失败</translation>
    </message>
    <message>
        <source>Software version acquisition failure</source>
        <translation>软件版本获取失败</translation>
    </message>
    <message>
        <source>The latest version is:%1</source>
        <translation>最新版本为:%1</translation>
    </message>
    <message>
        <source>There is no new version, no need to update!</source>
        <translation>没有新版本，不必升级!</translation>
    </message>
    <message>
        <source>Novrel</source>
        <translation>更新</translation>
    </message>
    <message>
        <source>NovrelIng</source>
        <translation>升级</translation>
    </message>
    <message>
        <source>The upgrade program was not started: the administrator rights were refused.</source>
        <translation>升级程序未启动：提升权限被拒绝.</translation>
    </message>
    <message>
        <source>The upgrade program was not found.</source>
        <translation>没有找到升级程序.</translation>
    </message>
    <message>
        <source>The upgrade program cannot be started: the program folder is not writable and pkexec is not installed.</source>
        <translation>无法启动升级程序：程序目录不可写，且没有安装pkexec.</translation>
    </message>
    <message>
        <source>The upgrade program could not be started.</source>
        <translation>升级程序启动失败.</translation>
    </message>
</context>
<context>
    <name>myGauge2</name>
    <message>
        <source>%1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>SignalStrength:%1%</source>
        <translation>信号强度:%1%</translation>
    </message>
</context>
</TS>
