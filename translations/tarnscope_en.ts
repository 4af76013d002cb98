<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en">
<context>
    <name>CaptureListDialog</name>
    <message>
        <source>Captures</source>
        <translation>Captures</translation>
    </message>
    <message>
        <source>Trigger time (ms)</source>
        <translation>Trigger time (ms)</translation>
    </message>
    <message>
        <source>Channel</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>Value</source>
        <translation>Value</translation>
    </message>
    <message>
        <source>File</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Show</translation>
    </message>
    <message>
        <source>Stop sampling to show a capture</source>
        <translation>Stop sampling to show a capture</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>Compare</translation>
    </message>
    <message>
        <source>Add the capture to the plot, dashed, beside what it shows</source>
        <translation>Add the capture to the plot, dashed, beside what it shows</translation>
    </message>
    <message>
        <source>%1 older captures were dropped to keep the last %2.</source>
        <translation>%1 older captures were dropped to keep the last %2.</translation>
    </message>
</context>
<context>
    <name>CurveStatisticsTable</name>
    <message>
        <source>Channel</source>
        <translation>Channel</translation>
    </message>
    <message>
        <source>Unit</source>
        <translation>Unit</translation>
    </message>
    <message>
        <source>Samples</source>
        <translation>Samples</translation>
    </message>
    <message>
        <source>Min</source>
        <translation>Min</translation>
    </message>
    <message>
        <source>Max</source>
        <translation>Max</translation>
    </message>
    <message>
        <source>Mean</source>
        <translation>Mean</translation>
    </message>
    <message>
        <source>RMS</source>
        <translation>RMS</translation>
    </message>
    <message>
        <source>Peak-to-peak</source>
        <translation>Peak-to-peak</translation>
    </message>
    <message>
        <source>Visible range: %1 to %2 ms</source>
        <translation>Visible range: %1 to %2 ms</translation>
    </message>
    <message>
        <source>Statistics of the visible range</source>
        <translation>Statistics of the visible range</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copy</translation>
    </message>
</context>
<context>
    <name>MeasurementCursors</name>
    <message>
        <source>Cursor %1</source>
        <translation>Cursor %1</translation>
    </message>
    <message>
        <source>from trigger: %1 / %2</source>
        <translation>from trigger: %1 / %2</translation>
    </message>
    <message>
        <source>unit</source>
        <translation>unit</translation>
    </message>
    <message>
        <source>t%1</source>
        <translation>t%1</translation>
    </message>
    <message>
        <source>t1 = %1&amp;nbsp;&amp;nbsp; t2 = %2</source>
        <translation>t1 = %1&amp;nbsp;&amp;nbsp; t2 = %2</translation>
    </message>
    <message>
        <source>Δt = %1&amp;nbsp;&amp;nbsp; 1/Δt = %2</source>
        <translation>Δt = %1&amp;nbsp;&amp;nbsp; 1/Δt = %2</translation>
    </message>
    <message numerus="yes">
        <source>… %n more (hide curves in the legend to read them)</source>
        <translation>
            <numerusform>… %n more (hide curves in the legend to read them)</numerusform>
            <numerusform>… %n more (hide curves in the legend to read them)</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>PlotImage</name>
    <message>
        <source>PNG image (*.png)</source>
        <translation>PNG image (*.png)</translation>
    </message>
    <message>
        <source>SVG image (*.svg)</source>
        <translation>SVG image (*.svg)</translation>
    </message>
    <message>
        <source>SVG is not available in this build</source>
        <translation>SVG is not available in this build</translation>
    </message>
</context>
<context>
    <name>QScopeSetting</name>
    <message>
        <source>QScopeSetting</source>
        <translation>Channels</translation>
    </message>
    <message>
        <source>Component:</source>
        <translation>Component:</translation>
    </message>
    <message>
        <source>Select All</source>
        <translation>Select All</translation>
    </message>
    <message>
        <source>Deselect All</source>
        <translation>Deselect All</translation>
    </message>
    <message>
        <source>Link:</source>
        <translation>Link:</translation>
    </message>
    <message>
        <source>End Effector:</source>
        <translation>End Effector:</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>%1 / %2 channels</source>
        <translation>%1 / %2 channels</translation>
    </message>
    <message>
        <source>Component List</source>
        <translation>Component List</translation>
    </message>
    <message>
        <source>Link Data Capture</source>
        <translation>Link Data Capture</translation>
    </message>
    <message>
        <source>End Effector Data Capture</source>
        <translation>End Effector Data Capture</translation>
    </message>
</context>
<context>
    <name>QwtScope</name>
    <message>
        <source>time(ms)</source>
        <translation>time(ms)</translation>
    </message>
</context>
<context>
    <name>RecordToFileDialog</name>
    <message>
        <source>New file every</source>
        <translation>New file every</translation>
    </message>
    <message>
        <source>Record to file</source>
        <translation>Record to file</translation>
    </message>
    <message>
        <source>Browse…</source>
        <translation>Browse…</translation>
    </message>
    <message>
        <source>minutes</source>
        <translation>minutes</translation>
    </message>
    <message>
        <source>MB</source>
        <translation>MB</translation>
    </message>
    <message>
        <source>File:</source>
        <translation>File:</translation>
    </message>
    <message>
        <source>%1 exists already. Replace it?</source>
        <translation>%1 exists already. Replace it?</translation>
    </message>
</context>
<context>
    <name>SaveDialog</name>
    <message>
        <source>%1 already exists.
Do you want to replace it?</source>
        <translation>%1 already exists.
Do you want to replace it?</translation>
    </message>
    <message>
        <source>ERROR:Cannot write %1: %2</source>
        <translation>ERROR:Cannot write %1: %2</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
</context>
<context>
    <name>ScopeCaptures</name>
    <message>
        <source>ERROR:Cannot write to %1: the folder cannot be made</source>
        <translation>ERROR:Cannot write to %1: the folder cannot be made</translation>
    </message>
    <message>
        <source>ERROR:Cannot write %1: %2</source>
        <translation>ERROR:Cannot write %1: %2</translation>
    </message>
</context>
<context>
    <name>ScopeCatalog</name>
    <message>
        <source>NULL</source>
        <translation>NULL</translation>
    </message>
    <message>
        <source>CurFSM</source>
        <translation>CurFSM: current state of the controller&apos;s state machine</translation>
    </message>
    <message>
        <source>LastFSM</source>
        <translation>LastFSM: previous state of the controller&apos;s state machine</translation>
    </message>
    <message>
        <source>CurMS</source>
        <translation>CurMS: controller time</translation>
    </message>
    <message>
        <source>RTCycle</source>
        <translation>RTCycle: real-time cycle time</translation>
    </message>
    <message>
        <source>RTMaxCycle</source>
        <translation>RTMaxCycle: longest real-time cycle</translation>
    </message>
    <message>
        <source>RTMinCycle</source>
        <translation>RTMinCycle: shortest real-time cycle</translation>
    </message>
    <message>
        <source>RTTaskMS</source>
        <translation>RTTaskMS: real-time task&apos;s run time</translation>
    </message>
    <message>
        <source>RTTaskMaxMS</source>
        <translation>RTTaskMaxMS: real-time task&apos;s longest run time</translation>
    </message>
    <message>
        <source>RTTaskMinMS</source>
        <translation>RTTaskMinMS: real-time task&apos;s shortest run time</translation>
    </message>
    <message>
        <source>SendFrameCNT</source>
        <translation>SendFrameCNT: frames sent to the drives</translation>
    </message>
    <message>
        <source>SendFrameFrq</source>
        <translation>SendFrameFrq: frame send frequency</translation>
    </message>
    <message>
        <source>SendFrameMS</source>
        <translation>SendFrameMS: time to send a frame</translation>
    </message>
    <message>
        <source>LoseFrameCNT</source>
        <translation>LoseFrameCNT: frames lost</translation>
    </message>
    <message>
        <source>TxFrameCNT</source>
        <translation>TxFrameCNT: frames transmitted</translation>
    </message>
    <message>
        <source>RxFrameCNT</source>
        <translation>RxFrameCNT: frames received</translation>
    </message>
    <message>
        <source>Momentum</source>
        <translation>Momentum</translation>
    </message>
    <message>
        <source>PhysicsPower</source>
        <translation>PhysicsPower: mechanical power (torque × velocity)</translation>
    </message>
    <message>
        <source>ElectricPower</source>
        <translation>ElectricPower: electrical power (voltage × current)</translation>
    </message>
    <message>
        <source>X</source>
        <translation>X: Cartesian X</translation>
    </message>
    <message>
        <source>Y</source>
        <translation>Y: Cartesian Y</translation>
    </message>
    <message>
        <source>Z</source>
        <translation>Z: Cartesian Z</translation>
    </message>
    <message>
        <source>RX</source>
        <translation>RX: rotation about X</translation>
    </message>
    <message>
        <source>RY</source>
        <translation>RY: rotation about Y</translation>
    </message>
    <message>
        <source>RZ</source>
        <translation>RZ: rotation about Z</translation>
    </message>
    <message>
        <source>J1</source>
        <translation>J1: joint 1</translation>
    </message>
    <message>
        <source>J2</source>
        <translation>J2: joint 2</translation>
    </message>
    <message>
        <source>J3</source>
        <translation>J3: joint 3</translation>
    </message>
    <message>
        <source>J4</source>
        <translation>J4: joint 4</translation>
    </message>
    <message>
        <source>J5</source>
        <translation>J5: joint 5</translation>
    </message>
    <message>
        <source>J6</source>
        <translation>J6: joint 6</translation>
    </message>
    <message>
        <source>TCPCmdVel</source>
        <translation>TCPCmdVel: commanded velocity of the tool centre point</translation>
    </message>
    <message>
        <source>TCPActVel</source>
        <translation>TCPActVel: actual velocity of the tool centre point</translation>
    </message>
    <message>
        <source>Motor Position</source>
        <translation>Motor Position: joint positions</translation>
    </message>
    <message>
        <source> Target ACS</source>
        <translation>Target ACS: target joint position (joint coordinates)</translation>
    </message>
    <message>
        <source> Actual ACS</source>
        <translation>Actual ACS: actual joint position (joint coordinates)</translation>
    </message>
    <message>
        <source> Actual FilACS</source>
        <translation>Actual FilACS: filtered actual joint position</translation>
    </message>
    <message>
        <source> TarPos PDO</source>
        <translation>TarPos PDO: target position sent to the drive, in encoder counts</translation>
    </message>
    <message>
        <source> ActPos PDO</source>
        <translation>ActPos PDO: actual position reported by the drive, in encoder counts</translation>
    </message>
    <message>
        <source>Motor Velocity</source>
        <translation>Motor Velocity: joint velocities</translation>
    </message>
    <message>
        <source> Target JointVel</source>
        <translation>Target JointVel: target joint velocity</translation>
    </message>
    <message>
        <source> Actual JointVel</source>
        <translation>Actual JointVel: actual joint velocity</translation>
    </message>
    <message>
        <source> Joint FilVel</source>
        <translation>Joint FilVel: filtered joint velocity</translation>
    </message>
    <message>
        <source> Joint FilAcc</source>
        <translation>Joint FilAcc: filtered joint acceleration</translation>
    </message>
    <message>
        <source>Motor Current</source>
        <translation>Motor Current: motor currents and torques</translation>
    </message>
    <message>
        <source> Target Cur</source>
        <translation>Target Cur: target motor current</translation>
    </message>
    <message>
        <source> Actual Cur</source>
        <translation>Actual Cur: actual motor current</translation>
    </message>
    <message>
        <source> FilCur</source>
        <translation>FilCur: filtered motor current</translation>
    </message>
    <message>
        <source> FilSensedTor</source>
        <translation>FilSensedTor: filtered sensed torque</translation>
    </message>
    <message>
        <source> FilEstimateTor</source>
        <translation>FilEstimateTor: filtered estimated torque</translation>
    </message>
    <message>
        <source> FilDisturbanceTor</source>
        <translation>FilDisturbanceTor: filtered disturbance torque</translation>
    </message>
    <message>
        <source>Motor Status</source>
        <translation>Motor Status: drives&apos; status</translation>
    </message>
    <message>
        <source> status word</source>
        <translation>status word: the drive&apos;s status word</translation>
    </message>
    <message>
        <source> control word</source>
        <translation>control word: the drive&apos;s control word</translation>
    </message>
    <message>
        <source> Actual ModeOperate</source>
        <translation>Actual ModeOperate: the drive&apos;s actual mode of operation</translation>
    </message>
    <message>
        <source> Target ModeOperate</source>
        <translation>Target ModeOperate: the drive&apos;s requested mode of operation</translation>
    </message>
    <message>
        <source>Motor PCS</source>
        <translation>Motor PCS: tool pose</translation>
    </message>
    <message>
        <source> Target PCS</source>
        <translation>Target PCS: target tool pose (Cartesian coordinates)</translation>
    </message>
    <message>
        <source> Actual PCS</source>
        <translation>Actual PCS: actual tool pose (Cartesian coordinates)</translation>
    </message>
    <message>
        <source>Motor Vel</source>
        <translation>Motor Vel: tool velocities</translation>
    </message>
    <message>
        <source> Target Vel</source>
        <translation>Target Vel: target Cartesian tool velocity</translation>
    </message>
    <message>
        <source> Actual Vel</source>
        <translation>Actual Vel: actual Cartesian tool velocity</translation>
    </message>
    <message>
        <source>ForceSensor</source>
        <translation>ForceSensor: force sensor</translation>
    </message>
    <message>
        <source> SrcData</source>
        <translation>SrcData: raw force sensor readings</translation>
    </message>
    <message>
        <source> CaliData</source>
        <translation>CaliData: calibrated force sensor readings</translation>
    </message>
</context>
<context>
    <name>ScopeChannel</name>
    <message>
        <source>%1 channels asked for; a recording holds at most %2</source>
        <translation>%1 channels asked for; a recording holds at most %2</translation>
    </message>
    <message>
        <source>no channel is called &quot;%1&quot;</source>
        <translation>no channel is called &quot;%1&quot;</translation>
    </message>
    <message>
        <source>these channels cannot be chosen without also recording %1 (each chosen quantity is recorded for each chosen joint or component)</source>
        <translation>these channels cannot be chosen without also recording %1 (each chosen quantity is recorded for each chosen joint or component)</translation>
    </message>
</context>
<context>
    <name>ScopeContextMenu</name>
    <message>
        <source>Save image…</source>
        <translation>Save image…</translation>
    </message>
    <message>
        <source>Copy image</source>
        <translation>Copy image</translation>
    </message>
    <message>
        <source>Cursor 1 here</source>
        <translation>Cursor 1 here</translation>
    </message>
    <message>
        <source>Cursor 2 here</source>
        <translation>Cursor 2 here</translation>
    </message>
    <message>
        <source>Remove cursors</source>
        <translation>Remove cursors</translation>
    </message>
    <message>
        <source>Statistics…</source>
        <translation>Statistics…</translation>
    </message>
    <message>
        <source>Save Image</source>
        <translation>Save Image</translation>
    </message>
</context>
<context>
    <name>ScopeFile</name>
    <message>
        <source>more than %1 lines</source>
        <translation>more than %1 lines</translation>
    </message>
    <message>
        <source>a line longer than %1 MiB</source>
        <translation>a line longer than %1 MiB</translation>
    </message>
    <message>
        <source>too large for the memory available</source>
        <translation>too large for the memory available</translation>
    </message>
</context>
<context>
    <name>ScopeFileActions</name>
    <message>
        <source>csv(*.csv)</source>
        <translation>csv(*.csv)</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>ERROR:Cannot read %1: %2</source>
        <translation>ERROR:Cannot read %1: %2</translation>
    </message>
    <message>
        <source>ERROR:No curve in %1 !</source>
        <translation>ERROR:No curve in %1 !</translation>
    </message>
    <message>
        <source>ERROR:No time column in %1 !</source>
        <translation>ERROR:No time column in %1 !</translation>
    </message>
    <message>
        <source>ERROR:%1 holds %2 curves; only the first %3 are shown.</source>
        <translation>ERROR:%1 holds %2 curves; only the first %3 are shown.</translation>
    </message>
    <message>
        <source>ERROR:%1 rows of %2 have a number of fields other than the header&apos;s (first at line %3); missing values are left as gaps.</source>
        <translation>ERROR:%1 rows of %2 have a number of fields other than the header&apos;s (first at line %3); missing values are left as gaps.</translation>
    </message>
    <message>
        <source>ERROR:%1 fields of %2 are not numbers (first at line %3); they are left as gaps.</source>
        <translation>ERROR:%1 fields of %2 are not numbers (first at line %3); they are left as gaps.</translation>
    </message>
    <message>
        <source>ERROR:Empty ScopeData!</source>
        <translation>ERROR:Empty ScopeData!</translation>
    </message>
    <message>
        <source>Save File</source>
        <translation>Save File</translation>
    </message>
    <message>
        <source>Exporting scope file...</source>
        <translation>Exporting scope file...</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Open File</translation>
    </message>
    <message>
        <source>ERROR:Unsupported file formats !</source>
        <translation>ERROR:Unsupported file formats !</translation>
    </message>
    <message>
        <source>Importing scope file...</source>
        <translation>Importing scope file...</translation>
    </message>
    <message>
        <source>Exported to %1</source>
        <translation>Exported to %1</translation>
    </message>
    <message>
        <source>The recording on the plot is not saved. The import replaces it; export the recording first to keep it.

Import anyway?</source>
        <translation>The recording on the plot is not saved. The import replaces it; export the recording first to keep it.

Import anyway?</translation>
    </message>
</context>
<context>
    <name>ScopeSetup</name>
    <message>
        <source>link</source>
        <translation>link</translation>
    </message>
    <message>
        <source>end effector</source>
        <translation>end effector</translation>
    </message>
    <message>
        <source>component</source>
        <translation>component</translation>
    </message>
    <message>
        <source>%1 &quot;%2&quot; (id %3)</source>
        <translation>%1 &quot;%2&quot; (id %3)</translation>
    </message>
    <message>
        <source>none</source>
        <translation>none</translation>
    </message>
    <message>
        <source>trigger %1</source>
        <translation>trigger %1</translation>
    </message>
    <message>
        <source>everything: not a scope set-up</source>
        <translation>everything: not a scope set-up</translation>
    </message>
    <message>
        <source>the format version: the file has %1, this scope reads %2; what matches was taken</source>
        <translation>the format version: the file has %1, this scope reads %2; what matches was taken</translation>
    </message>
    <message>
        <source>period %1</source>
        <translation>period %1</translation>
    </message>
    <message>
        <source>trigger keep %1</source>
        <translation>trigger keep %1</translation>
    </message>
</context>
<context>
    <name>ScopeSetupActions</name>
    <message>
        <source>Scope set-up (*.json)</source>
        <translation>Scope set-up (*.json)</translation>
    </message>
    <message>
        <source>trigger channel</source>
        <translation>trigger channel</translation>
    </message>
    <message>
        <source>trigger condition</source>
        <translation>trigger condition</translation>
    </message>
    <message>
        <source>trigger mode</source>
        <translation>trigger mode</translation>
    </message>
    <message>
        <source>Save Set-up</source>
        <translation>Save Set-up</translation>
    </message>
    <message>
        <source>Load Set-up</source>
        <translation>Load Set-up</translation>
    </message>
    <message>
        <source>everything: cannot read %1</source>
        <translation>everything: cannot read %1</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>ERROR:Set-up %1 loaded in part; skipped: %2</source>
        <translation>ERROR:Set-up %1 loaded in part; skipped: %2</translation>
    </message>
    <message>
        <source>The recording on the plot is not saved. Loading the set-up replaces it; export the recording first to keep it.

Load the set-up anyway?</source>
        <translation>The recording on the plot is not saved. Loading the set-up replaces it; export the recording first to keep it.

Load the set-up anyway?</translation>
    </message>
</context>
<context>
    <name>ScopeStateLine</name>
    <message>
        <source>Robot error</source>
        <translation>Robot error</translation>
    </message>
    <message>
        <source>SIMULATED CONTROLLER</source>
        <translation>SIMULATED CONTROLLER</translation>
    </message>
    <message>
        <source>The controller library %1 is a simulator: every value the scope shows is simulated.</source>
        <translation>The controller library %1 is a simulator: every value the scope shows is simulated.</translation>
    </message>
    <message>
        <source>Sampling</source>
        <translation>Sampling</translation>
    </message>
    <message>
        <source>Recording since trigger at %1</source>
        <translation>Recording since trigger at %1</translation>
    </message>
    <message>
        <source>Holding after trigger at %1 (press Stop to export)</source>
        <translation>Holding after trigger at %1 (press Stop to export)</translation>
    </message>
    <message>
        <source>Recording until trigger</source>
        <translation>Recording until trigger</translation>
    </message>
    <message>
        <source>Recording until trigger on %1</source>
        <translation>Recording until trigger on %1</translation>
    </message>
    <message>
        <source>Waiting for trigger</source>
        <translation>Waiting for trigger</translation>
    </message>
    <message>
        <source>Waiting for trigger on %1</source>
        <translation>Waiting for trigger on %1</translation>
    </message>
    <message>
        <source>%1 of %2 captures kept</source>
        <translation>%1 of %2 captures kept</translation>
    </message>
    <message>
        <source>, %1 oldest dropped</source>
        <translation>, %1 oldest dropped</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Stopped</translation>
    </message>
    <message>
        <source>Stopped by robot error at %1; nothing recorded</source>
        <translation>Stopped by robot error at %1; nothing recorded</translation>
    </message>
    <message>
        <source>Stopped by robot error at %1; last sample at %2 ms</source>
        <translation>Stopped by robot error at %1; last sample at %2 ms</translation>
    </message>
    <message>
        <source>Controller lost at %1</source>
        <translation>Controller lost at %1</translation>
    </message>
    <message>
        <source>Robot error, %1 ms</source>
        <translation>Robot error, %1 ms</translation>
    </message>
    <message>
        <source>%1; robot reports an error</source>
        <translation>%1; robot reports an error</translation>
    </message>
</context>
<context>
    <name>StripFrames</name>
    <message>
        <source>(no unit)</source>
        <translation>(no unit)</translation>
    </message>
</context>
<context>
    <name>TarnPlugin_Scope</name>
    <message>
        <source>TarnPlugin_Scope</source>
        <translation>TarnPlugin_Scope</translation>
    </message>
    <message>
        <source>Mox CPU:</source>
        <translation>Mox CPU:</translation>
    </message>
    <message>
        <source>0.0</source>
        <translation>0.0</translation>
    </message>
    <message>
        <source>%</source>
        <translation>%</translation>
    </message>
    <message>
        <source>Mox Mem:</source>
        <translation>Mox Mem:</translation>
    </message>
    <message>
        <source>0</source>
        <translation>0</translation>
    </message>
    <message>
        <source>MB</source>
        <translation>MB</translation>
    </message>
    <message>
        <source>ReadScopeCycMax:</source>
        <translation>ReadScopeCycMax:</translation>
    </message>
    <message>
        <source>ms</source>
        <translation>ms</translation>
    </message>
    <message>
        <source>ReadScopeCyc:</source>
        <translation>ReadScopeCyc:</translation>
    </message>
    <message>
        <source>Start</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Stop</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Reset View</source>
        <translation>Reset View</translation>
    </message>
    <message>
        <source>Stop when Error</source>
        <translation>Stop when Error</translation>
    </message>
    <message>
        <source>Setting</source>
        <translation>Setting</translation>
    </message>
    <message>
        <source>Period Time:</source>
        <translation>Period Time:</translation>
    </message>
    <message>
        <source>Import from File</source>
        <translation>Import from File</translation>
    </message>
    <message>
        <source>Export to File</source>
        <translation>Export to File</translation>
    </message>
    <message>
        <source>Trigger Condition</source>
        <translation>Trigger Condition</translation>
    </message>
    <message>
        <source>绝对值</source>
        <translation>Absolute value</translation>
    </message>
    <message>
        <source>Trigger Delay:</source>
        <translation>Trigger Delay:</translation>
    </message>
    <message>
        <source>ERROR:Not while sampling: stop first</source>
        <translation>ERROR:Not while sampling: stop first</translation>
    </message>
    <message>
        <source>ERROR:No room to compare: %1 curves, %2 free curve slots</source>
        <translation>ERROR:No room to compare: %1 curves, %2 free curve slots</translation>
    </message>
    <message>
        <source>Save set-up…</source>
        <translation>Save set-up…</translation>
    </message>
    <message>
        <source>Load set-up…</source>
        <translation>Load set-up…</translation>
    </message>
    <message>
        <source>%1 (not recorded)</source>
        <translation>%1 (not recorded)</translation>
    </message>
    <message>
        <source>Freeze view</source>
        <translation>Freeze view</translation>
    </message>
    <message>
        <source>Arm trigger</source>
        <translation>Arm trigger</translation>
    </message>
    <message>
        <source>Trigger options…</source>
        <translation>Trigger options…</translation>
    </message>
    <message>
        <source>Captures…</source>
        <translation>Captures…</translation>
    </message>
    <message>
        <source>View frozen, recording goes on</source>
        <translation>View frozen, recording goes on</translation>
    </message>
    <message>
        <source>ERROR:The channel selection holds more than %1 channels; nothing was started.</source>
        <translation>ERROR:The channel selection holds more than %1 channels; nothing was started.</translation>
    </message>
    <message>
        <source>Robot error</source>
        <translation>Robot error</translation>
    </message>
    <message>
        <source>The robot still reports an error. Start replaces the recording that shows it; export the recording first to keep it.

Start anyway?</source>
        <translation>The robot still reports an error. Start replaces the recording that shows it; export the recording first to keep it.

Start anyway?</translation>
    </message>
    <message>
        <source>当前设置通道数 %1 ,超出最大通道数 36 !</source>
        <translation>The selection has %1 channels, more than the maximum of 36!</translation>
    </message>
    <message>
        <source>当前设置通道超出最大通道数</source>
        <translation>Too many channels selected</translation>
    </message>
    <message>
        <source>ERROR:Channels refused: %1</source>
        <translation>ERROR:Channels refused: %1</translation>
    </message>
    <message>
        <source>ERROR:No capture %1: %2 kept</source>
        <translation>ERROR:No capture %1: %2 kept</translation>
    </message>
    <message>
        <source>capture at %1 ms</source>
        <translation>capture at %1 ms</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>ERROR:Sampling stopped: the robot reports an error</source>
        <translation>ERROR:Sampling stopped: the robot reports an error</translation>
    </message>
    <message>
        <source>The last line of %1 was cut off, as by a crash while recording; the file is shown up to its last whole line.</source>
        <translation>The last line of %1 was cut off, as by a crash while recording; the file is shown up to its last whole line.</translation>
    </message>
    <message>
        <source>%1 kB</source>
        <translation>%1 kB</translation>
    </message>
    <message>
        <source>%1 MB</source>
        <translation>%1 MB</translation>
    </message>
    <message>
        <source>Record to file…</source>
        <translation>Record to file…</translation>
    </message>
    <message>
        <source>ERROR:No file to record to</source>
        <translation>ERROR:No file to record to</translation>
    </message>
    <message>
        <source>ERROR:Cannot record to %1: the file exists already and is not replaced</source>
        <translation>ERROR:Cannot record to %1: the file exists already and is not replaced</translation>
    </message>
    <message>
        <source>Stop recording to file</source>
        <translation>Stop recording to file</translation>
    </message>
    <message>
        <source>Recording to %1 stopped: %2; the file keeps what was written</source>
        <translation>Recording to %1 stopped: %2; the file keeps what was written</translation>
    </message>
    <message>
        <source>ERROR:%1</source>
        <translation>ERROR:%1</translation>
    </message>
    <message>
        <source>Recording to %1: %2, %3</source>
        <translation>Recording to %1: %2, %3</translation>
    </message>
    <message numerus="yes">
        <source>; %n record(s) lost: the disk did not keep up</source>
        <translation>
            <numerusform>; %n record lost: the disk did not keep up</numerusform>
            <numerusform>; %n records lost: the disk did not keep up</numerusform>
        </translation>
    </message>
    <message>
        <source>Strips per unit</source>
        <translation>Strips per unit</translation>
    </message>
    <message>
        <source>Scale to visible curves</source>
        <translation>Scale to visible curves</translation>
    </message>
    <message>
        <source>Choose the channels to record</source>
        <translation>Choose the channels to record</translation>
    </message>
    <message>
        <source>Recorded to %1</source>
        <translation>Recorded to %1</translation>
    </message>
    <message>
        <source>Recorded to %1 … %2</source>
        <translation>Recorded to %1 … %2</translation>
    </message>
    <message>
        <source>Image saved to %1</source>
        <translation>Image saved to %1</translation>
    </message>
    <message>
        <source>Unsaved recording</source>
        <translation>Unsaved recording</translation>
    </message>
</context>
<context>
    <name>TriggerMark</name>
    <message>
        <source>Trigger</source>
        <translation>Trigger</translation>
    </message>
    <message>
        <source>Trigger, %1 ms</source>
        <translation>Trigger, %1 ms</translation>
    </message>
</context>
<context>
    <name>TriggerOptionsDialog</name>
    <message>
        <source>Trigger options</source>
        <translation>Trigger options</translation>
    </message>
    <message>
        <source>Single capture per Start</source>
        <translation>Single capture per Start</translation>
    </message>
    <message>
        <source>Repeat: arm again after each capture</source>
        <translation>Repeat: arm again after each capture</translation>
    </message>
    <message>
        <source>not saved</source>
        <translation>not saved</translation>
    </message>
    <message>
        <source>Each capture is saved here as a scope file as it completes; an existing file is never replaced.</source>
        <translation>Each capture is saved here as a scope file as it completes; an existing file is never replaced.</translation>
    </message>
    <message>
        <source>Browse…</source>
        <translation>Browse…</translation>
    </message>
    <message>
        <source>Captures:</source>
        <translation>Captures:</translation>
    </message>
    <message>
        <source>Keep the last:</source>
        <translation>Keep the last:</translation>
    </message>
    <message>
        <source>Save each to:</source>
        <translation>Save each to:</translation>
    </message>
    <message>
        <source>Save captures to</source>
        <translation>Save captures to</translation>
    </message>
</context>
</TS>
