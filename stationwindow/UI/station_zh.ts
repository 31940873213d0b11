<?xml version='1.0' encoding='utf-8'?>
<TS version="2.1" language="zh_CN">
<context>
    <name>ResultFiling</name>
    <message>
        <source>The results store was not opened.</source>
        <translation>结果库未打开。</translation>
    </message>
    <message>
        <source>Bad --db: %1</source>
        <translation>结果库位置无效：%1</translation>
    </message>
    <message>
        <source>Stored as test %1 in %2 (and %3 spooled result(s) delivered).</source>
        <translation>已存为测试 %1（%2），并送出 %3 条暂存结果。</translation>
    </message>
    <message>
        <source>Stored as test %1 in %2.</source>
        <translation>已存为测试 %1（%2）。</translation>
    </message>
</context>
<context>
    <name>SerialNumber</name>
    <message>
        <source>Scan or type the unit's serial number first.</source>
        <translation>请先扫描或输入产品序列号。</translation>
    </message>
    <message>
        <source>This serial number has %1 characters; at most %2 are allowed. Scan it again.</source>
        <translation>该序列号有 %1 个字符，最多允许 %2 个。请重新扫描。</translation>
    </message>
    <message>
        <source>This serial number holds a control character. Scan it again.</source>
        <translation>该序列号含有控制字符。请重新扫描。</translation>
    </message>
</context>
<context>
    <name>Station</name>
    <message>
        <source>Unit %1 has used its retests: %2 tests passed or failed, test.retests_max is %3. It is not tested again.</source>
        <translation>产品 %1 的重测次数已用完：已有 %2 次合格或不合格的测试，test.retests_max 为 %3。不再测试。</translation>
    </message>
    <message>
        <source>The tester was unplugged. Plug it in again.</source>
        <translation>测试仪已拔出，请重新插入。</translation>
    </message>
    <message>
        <source>A test is running: wait for its verdict or stop it.</source>
        <translation>测试进行中：请等待结论或停止测试。</translation>
    </message>
    <message>
        <source>Choose the test profile first.</source>
        <translation>请先选择测试配置文件。</translation>
    </message>
    <message>
        <source>The profile %1 cannot be used: %2</source>
        <translation>配置文件 %1 无法使用：%2</translation>
    </message>
    <message>
        <source>the folder %1 is missing or not writable.</source>
        <translation>文件夹 %1 不存在或不可写。</translation>
    </message>
    <message>
        <source>The tester was lost during the test. Plug it in again.</source>
        <translation>测试中测试仪断开，请重新插入。</translation>
    </message>
    <message>
        <source>The results store cannot be used, so no result could be kept: %1</source>
        <translation>结果库无法使用，结果将无法保存：%1</translation>
    </message>
    <message>
        <source>The profile %1 sets no limits: every unit would pass.</source>
        <translation>配置文件 %1 未设任何限值：所有产品都会合格。</translation>
    </message>
</context>
<context>
    <name>StationTexts</name>
    <message>
        <source>%1 (retest ?)</source>
        <translation>%1（重测次数未知）</translation>
    </message>
    <message>
        <source>%1 (retest %2)</source>
        <translation>%1（第 %2 次重测）</translation>
    </message>
    <message>
        <source>NO TESTER</source>
        <translation>无测试仪</translation>
    </message>
    <message>
        <source>READY</source>
        <translation>就绪</translation>
    </message>
    <message>
        <source>Scan the serial number of the next unit.</source>
        <translation>请扫描下一个产品的序列号。</translation>
    </message>
    <message>
        <source>Recording: %1 s left</source>
        <translation>采集中：剩余 %1 秒</translation>
    </message>
    <message>
        <source>Escape stops the test.</source>
        <translation>按 Esc 停止测试。</translation>
    </message>
    <message>
        <source>TESTING</source>
        <translation>测试中</translation>
    </message>
    <message>
        <source>PASS</source>
        <translation>合格</translation>
    </message>
    <message>
        <source>Unit %1 may ship.</source>
        <translation>产品 %1 可以出货。</translation>
    </message>
    <message>
        <source>FAIL</source>
        <translation>不合格</translation>
    </message>
    <message>
        <source>Unit %1 failed:</source>
        <translation>产品 %1 不合格：</translation>
    </message>
    <message>
        <source>%1: %2 (limit %3)</source>
        <translation>%1：%2（限值 %3）</translation>
    </message>
    <message>
        <source>%1: not measured</source>
        <translation>%1：未测得</translation>
    </message>
    <message>
        <source>ABORTED</source>
        <translation>已中止</translation>
    </message>
    <message>
        <source>The tester was lost during the test; the encoder lost its supply with it.</source>
        <translation>测试中测试仪断开，编码器随之断电。</translation>
    </message>
    <message>
        <source>The test was stopped.</source>
        <translation>测试已停止。</translation>
    </message>
    <message>
        <source>The encoder supply could not be switched off: it may still be on.</source>
        <translation>无法关闭编码器电源：电源可能仍然开着。</translation>
    </message>
    <message>
        <source>NOT TESTED</source>
        <translation>未测试</translation>
    </message>
    <message>
        <source>Reading the tester's configuration…</source>
        <translation>正在读取测试仪配置…</translation>
    </message>
    <message>
        <source>Switching the encoder supply on…</source>
        <translation>正在打开编码器电源…</translation>
    </message>
    <message>
        <source>Waiting for the encoder to settle…</source>
        <translation>等待编码器稳定…</translation>
    </message>
    <message>
        <source>Recording…</source>
        <translation>采集中…</translation>
    </message>
    <message>
        <source>Switching the encoder supply off…</source>
        <translation>正在关闭编码器电源…</translation>
    </message>
    <message>
        <source>Signal strength</source>
        <translation>信号强度</translation>
    </message>
    <message>
        <source>Sine offset</source>
        <translation>正弦偏置</translation>
    </message>
    <message>
        <source>Cosine offset</source>
        <translation>余弦偏置</translation>
    </message>
    <message>
        <source>Amplitude ratio</source>
        <translation>幅值比</translation>
    </message>
    <message>
        <source>Phase deviation</source>
        <translation>相位偏差</translation>
    </message>
    <message>
        <source>Interpolation error</source>
        <translation>细分误差</translation>
    </message>
    <message>
        <source>Reference mark spread</source>
        <translation>参考点离散</translation>
    </message>
    <message>
        <source>Reference mark spread (A/B)</source>
        <translation>参考点离散（A/B）</translation>
    </message>
    <message>
        <source>Supply current</source>
        <translation>供电电流</translation>
    </message>
    <message>
        <source> counts</source>
        <translation> 计数</translation>
    </message>
    <message>
        <source> periods</source>
        <translation> 周期</translation>
    </message>
    <message>
        <source>History unavailable: %1</source>
        <translation>历史记录不可用：%1</translation>
    </message>
    <message>
        <source>Today: no tests yet</source>
        <translation>今日：尚无测试</translation>
    </message>
    <message>
        <source>Today: %1 of %2 passed (%3 %)</source>
        <translation>今日：%2 件中 %1 件合格（%3 %）</translation>
    </message>
    <message>
        <source>periods</source>
        <translation>周期</translation>
    </message>
    <message>
        <source>counts</source>
        <translation>计数</translation>
    </message>
    <message>
        <source>Result stored as test %1.</source>
        <translation>结果已存为测试 %1。</translation>
    </message>
    <message>
        <source>Result kept in the spool: %1</source>
        <translation>结果已暂存：%1</translation>
    </message>
    <message>
        <source>Result NOT stored: %1</source>
        <translation>结果未保存：%1</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>不合格：%1</translation>
    </message>
    <message>
        <source>, </source>
        <translation>、</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>已停止</translation>
    </message>
    <message>
        <source>the tester was lost</source>
        <translation>测试仪断开</translation>
    </message>
    <message>
        <source>Unit %1: %2</source>
        <translation>产品 %1：%2</translation>
    </message>
    <message>
        <source>and %1 more items (see the table)</source>
        <translation>另有 %1 项（见表格）</translation>
    </message>
    <message>
        <source>Unit %1 was not judged: test it again.</source>
        <translation>产品 %1 未作判定：请重新测试。</translation>
    </message>
    <message>
        <source>Reference marks: %1</source>
        <translation>参考点：%1 次</translation>
    </message>
    <message>
        <source>Current: —</source>
        <translation>电流：—</translation>
    </message>
    <message>
        <source>Reference marks: %1, spread %2 %3</source>
        <translation>参考点：%1 次，离散 %2 %3</translation>
    </message>
    <message>
        <source>Current: %1 mA</source>
        <translation>电流：%1 mA</translation>
    </message>
    <message>
        <source>Broken lines (A/B/Z)</source>
        <translation>断线数（A/B/Z）</translation>
    </message>
    <message>
        <source>Amplitude along the travel</source>
        <translation>行程幅值</translation>
    </message>
    <message>
        <source>Offset along the travel</source>
        <translation>行程偏置</translation>
    </message>
    <message>
        <source>Phase along the travel</source>
        <translation>行程相位</translation>
    </message>
    <message>
        <source>Amplitude ratio along the travel</source>
        <translation>行程幅值比</translation>
    </message>
    <message>
        <source>Eccentricity</source>
        <translation>偏心</translation>
    </message>
    <message>
        <source>Signal up to</source>
        <translation>信号频率上限</translation>
    </message>
    <message>
        <source>Reference mark by direction</source>
        <translation>参考点方向差</translation>
    </message>
</context>
<context>
    <name>TravelStripView</name>
    <message>
        <source>Amplitude along the travel: no pairs yet</source>
        <translation>行程幅值：尚无数据</translation>
    </message>
    <message>
        <source>Amplitude along the travel: %1 mm, %2 of %3 bins measured</source>
        <translation>行程幅值：%1 mm，已测 %2/%3 段</translation>
    </message>
    <message>
        <source>Amplitude along %1 mm: %2 of %3 bins, variation %4 %, lowest at %5 mm</source>
        <translation>行程 %1 mm 幅值：%2/%3 段，波动 %4 %，最低处 %5 mm</translation>
    </message>
</context>
<context>
    <name>StationWindow</name>
    <message>
        <source>Rotaprobe station</source>
        <translation>Rotaprobe 测试工位</translation>
    </message>
    <message>
        <source>scan the serial number</source>
        <translation>扫描序列号</translation>
    </message>
    <message>
        <source>optional</source>
        <translation>可选</translation>
    </message>
    <message>
        <source>Start (Enter)</source>
        <translation>开始（Enter）</translation>
    </message>
    <message>
        <source>Stop (Esc)</source>
        <translation>停止（Esc）</translation>
    </message>
    <message>
        <source>Serial number</source>
        <translation>序列号</translation>
    </message>
    <message>
        <source>Operator</source>
        <translation>操作员</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>产品</translation>
    </message>
    <message>
        <source>Profile…</source>
        <translation>配置文件…</translation>
    </message>
    <message>
        <source>Protocol folder…</source>
        <translation>报告文件夹…</translation>
    </message>
    <message>
        <source>Item</source>
        <translation>项目</translation>
    </message>
    <message>
        <source>Limit</source>
        <translation>限值</translation>
    </message>
    <message>
        <source>Measured</source>
        <translation>测量值</translation>
    </message>
    <message>
        <source>Items</source>
        <translation>测试项目</translation>
    </message>
    <message>
        <source>Signal</source>
        <translation>信号</translation>
    </message>
    <message>
        <source>Time</source>
        <translation>时间</translation>
    </message>
    <message>
        <source>Verdict</source>
        <translation>结论</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>原因</translation>
    </message>
    <message>
        <source>Latest results of this station</source>
        <translation>本工位最近结果</translation>
    </message>
    <message>
        <source>Profile: none chosen</source>
        <translation>配置文件：未选择</translation>
    </message>
    <message>
        <source>Profile: %1</source>
        <translation>配置文件：%1</translation>
    </message>
    <message>
        <source>Set on the command line</source>
        <translation>已由命令行设定</translation>
    </message>
    <message>
        <source>Test profile</source>
        <translation>测试配置文件</translation>
    </message>
    <message>
        <source>Profiles (*.json);;All files (*)</source>
        <translation>配置文件 (*.json);;所有文件 (*)</translation>
    </message>
    <message>
        <source>Protocol folder</source>
        <translation>报告文件夹</translation>
    </message>
    <message>
        <source>Tester connected</source>
        <translation>测试仪已连接</translation>
    </message>
    <message>
        <source>Protocol not written: %1</source>
        <translation>测试报告未写入：%1</translation>
    </message>
    <message>
        <source>Storing the result…</source>
        <translation>正在保存结果…</translation>
    </message>
    <message>
        <source>Results store unusable: %1</source>
        <translation>结果库不可用：%1</translation>
    </message>
    <message>
        <source>Results store ready</source>
        <translation>结果库就绪</translation>
    </message>
    <message>
        <source>Protocol folder: %1</source>
        <translation>报告文件夹：%1</translation>
    </message>
    <message>
        <source>Tester not connected</source>
        <translation>测试仪未连接</translation>
    </message>
    <message>
        <source>Protocol written: %1</source>
        <translation>已写入报告：%1</translation>
    </message>
</context>
<context>
    <name>TestSequence</name>
    <message>
        <source>No tester found (USB 0388:0004). Plug it in and try again.</source>
        <translation>未找到测试仪（USB 0388:0004）。请插入后重试。</translation>
    </message>
    <message>
        <source>Access to the tester was denied. Install the udev rule "70-rotaprobe.rules" (the package puts it in /lib/udev/rules.d), then unplug the tester and plug it in again.</source>
        <translation>无权访问测试仪。请安装 udev 规则“70-rotaprobe.rules”（安装包将其放在 /lib/udev/rules.d），然后拔下测试仪再重新插入。</translation>
    </message>
    <message>
        <source>The tester is busy: another program has it open (is Rotaprobe running?). Close that program and try again.</source>
        <translation>测试仪被占用：另一个程序正在使用它（Rotaprobe 是否在运行？）。请关闭该程序后重试。</translation>
    </message>
    <message>
        <source>The tester was found but could not be opened.</source>
        <translation>找到测试仪，但无法打开。</translation>
    </message>
    <message>
        <source>Could not read the tester's configuration.</source>
        <translation>无法读取测试仪配置。</translation>
    </message>
    <message>
        <source>Could not switch the encoder supply on.</source>
        <translation>无法打开编码器电源。</translation>
    </message>
    <message>
        <source>Could not switch the encoder supply off: it is still on.</source>
        <translation>无法关闭编码器电源：电源仍然开着。</translation>
    </message>
    <message>
        <source>The tester did not answer the configuration read.</source>
        <translation>测试仪未响应配置读取。</translation>
    </message>
    <message>
        <source>The tester did not answer the supply switch.</source>
        <translation>测试仪未响应电源开关。</translation>
    </message>
    <message>
        <source>The tester did not answer: the encoder supply may still be on.</source>
        <translation>测试仪未响应：编码器电源可能仍然开着。</translation>
    </message>
    <message>
        <source>The tester was lost before its supply was switched off.</source>
        <translation>关闭电源前测试仪已断开。</translation>
    </message>
    <message>
        <source>The tester was disconnected.</source>
        <translation>测试仪已断开。</translation>
    </message>
    <message>
        <source>Stopped before the recording began.</source>
        <translation>采集开始前已停止。</translation>
    </message>
</context>
</TS>